#include "common/printing.h"

#include "common/sjis.h"

#include <vector>

namespace ca {

void TextDevice::Open() {
    canvas_.BeginDoc();
    open_ = true;
    x_ = y_ = 0;
    lineHeight_ = 0;
}

void TextDevice::NextLine() {
    const int step = lineHeight_ > 0 ? lineHeight_ + 2 : canvas_.TextHeight("X");
    x_ = 0;
    y_ += step;
    lineHeight_ = 0;
    // A new page when the next line would not fit.
    if (y_ + canvas_.TextHeight("X") > canvas_.PageHeight()) {
        canvas_.NewPage();
        y_ = 0;
    }
}

void TextDevice::Write(std::string_view text) {
    const int pageWidth = canvas_.PageWidth();
    // Ends of the characters: a double-byte character is never split.
    std::vector<size_t> ends;
    ends.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        i += (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
        ends.push_back(i);
    }
    size_t done = 0;   // bytes written so far
    size_t first = 0;  // index in `ends` of the first character not written
    while (first < ends.size()) {
        // The longest head of the rest, whole characters only, that fits the
        // rest of the line. A head's width grows with its length, so the
        // heads are tried at doubling lengths and the fit is then narrowed
        // down; long lines cost a few measurements per printed line.
        const std::string_view rest = text.substr(done);
        auto fits = [&](size_t k) { return x_ + canvas_.TextWidth(rest.substr(0, ends[first + k - 1] - done)) <= pageWidth; };
        const size_t count = ends.size() - first;
        size_t good = 0, bad = count + 1;  // heads of `good` characters fit, of `bad` do not
        for (size_t k = 1; k <= count; k *= 2) {
            if (!fits(k)) {
                bad = k;
                break;
            }
            good = k;
        }
        if (bad == count + 1 && good < count) {
            if (fits(count)) good = count;
            else bad = count;
        }
        while (bad - good > 1) {
            const size_t mid = good + (bad - good) / 2;
            if (fits(mid)) good = mid;
            else bad = mid;
        }
        if (good == 0) {
            if (x_ > 0) {
                NextLine();
                continue;
            }
            good = 1;  // at least one character at the start of a line
        }
        const size_t fit = ends[first + good - 1] - done;
        std::string_view head = rest.substr(0, fit);
        canvas_.TextOut(x_, y_, head);
        x_ += canvas_.TextWidth(head);
        const int h = canvas_.TextHeight(head);
        if (h > lineHeight_) lineHeight_ = h;
        done += fit;
        first += good;
        if (first < ends.size()) NextLine();
    }
}

void TextDevice::EndLine() { NextLine(); }

void TextDevice::Close() {
    if (!open_) return;
    open_ = false;
    canvas_.EndDoc();
}

void TextDevice::Abort() {
    if (!open_) return;
    open_ = false;
    canvas_.AbortDoc();
}

}  // namespace ca
