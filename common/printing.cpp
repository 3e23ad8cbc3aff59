#include "common/printing.h"

#include "common/sjis.h"

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
    while (!text.empty()) {
        // The longest head of the text, whole characters only, that fits the
        // rest of the line; at least one character at the start of a line.
        size_t fit = 0;
        size_t i = 0;
        while (i < text.size()) {
            size_t len = (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
            if (x_ + canvas_.TextWidth(text.substr(0, i + len)) > pageWidth) break;
            i += len;
            fit = i;
        }
        if (fit == 0) {
            if (x_ > 0) {
                NextLine();
                continue;
            }
            fit = (IsLeadByte(static_cast<unsigned char>(text[0])) && text.size() > 1) ? 2 : 1;
        }
        std::string_view head = text.substr(0, fit);
        canvas_.TextOut(x_, y_, head);
        x_ += canvas_.TextWidth(head);
        const int h = canvas_.TextHeight(head);
        if (h > lineHeight_) lineHeight_ = h;
        text.remove_prefix(fit);
        if (!text.empty()) NextLine();
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
