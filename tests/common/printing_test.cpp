// The text device's line breaking, on many random lines: the pieces give back
// the text, each fits the line it is on, and each is as long as fits.
#include <gtest/gtest.h>

#include <random>

#include "common/printing.h"
#include "common/sjis.h"

namespace ca {
namespace {

TEST(TextDevice, EveryPieceIsTheLongestThatFits) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 400; ++trial) {
        const int charWidth = 1 + rng() % 7;
        RecordingCanvas canvas(20 + rng() % 300, 1 << 30, charWidth, 10);
        TextDevice device(canvas);
        device.Open();
        std::string lead(rng() % 40, 'a'), text;
        for (int n = rng() % 400; n > 0; --n) {
            if (rng() % 3 == 0) text += "\x93\xFA";  // a double-byte character
            else text += static_cast<char>('0' + rng() % 10);
        }
        if (rng() % 4 == 0) text += "\x81";  // a lone lead byte at the end
        if (!lead.empty()) device.Write(lead);
        const size_t before = canvas.calls.size();
        device.Write(text);
        std::string joined;
        for (size_t i = before; i < canvas.calls.size(); ++i) {
            const auto& c = canvas.calls[i];
            if (c.op != "TextOut") continue;
            joined += c.text;
            const int right = c.x + canvas.TextWidth(c.text);
            const bool oneChar = c.text.size() == 1 || (c.text.size() == 2 && IsLeadByte(c.text[0]));
            EXPECT_TRUE(right <= canvas.PageWidth() || (c.x == 0 && oneChar)) << trial;
            // The next character would not have fitted on the same line.
            const size_t next = joined.size();
            if (next < text.size()) {
                const size_t len = IsLeadByte(text[next]) && next + 1 < text.size() ? 2 : 1;
                EXPECT_GT(right + canvas.TextWidth(text.substr(next, len)), canvas.PageWidth()) << trial;
            }
        }
        EXPECT_EQ(joined, text) << trial;
    }
}

}  // namespace
}  // namespace ca
