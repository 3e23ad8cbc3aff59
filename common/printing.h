// The printer as the system sees it: a canvas to draw on in device pixels, and
// a text device that lays lines of text out on that canvas page by page.
// Text is Shift_JIS bytes; the platform turns it into glyphs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ca {

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void BeginDoc() = 0;
    virtual void EndDoc() = 0;
    // Drops a document begun and not ended (nothing is printed).
    virtual void AbortDoc() = 0;
    virtual void NewPage() = 0;
    virtual int PageWidth() = 0;   // printable width in device pixels
    virtual int PageHeight() = 0;  // printable height in device pixels
    virtual void SetFontFace(std::string_view sjisFace) = 0;
    virtual void SetFontSize(int points) = 0;
    virtual int TextHeight(std::string_view sjisText) = 0;
    virtual int TextWidth(std::string_view sjisText) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // Text with its top-left corner at (x, y).
    virtual void TextOut(int x, int y, std::string_view sjisText) = 0;
};

// Lines of text on a canvas. A line end returns to the left edge and moves
// down by the tallest text of the line plus 2 pixels (by the font's character
// height when the line is empty); text wider than the page continues on the
// next line; a new page starts when the next line would not fit.
class TextDevice {
public:
    explicit TextDevice(Canvas& canvas) : canvas_(canvas) {}
    // Begins the document.
    void Open();
    void Write(std::string_view sjisText);
    void EndLine();
    // Ends the document.
    void Close();
    // Drops the document after a failure.
    void Abort();
    bool IsOpen() const { return open_; }

private:
    void NextLine();
    Canvas& canvas_;
    bool open_ = false;
    int x_ = 0, y_ = 0;
    int lineHeight_ = 0;  // tallest text written on the current line
};

// A canvas that draws nothing and keeps every call, for tests and for
// measuring. Text is measured with fixed cell sizes: each byte is
// `charWidth` wide, every text `charHeight` high (scaled by size / 12).
class RecordingCanvas : public Canvas {
public:
    struct Call {
        std::string op;     // "BeginDoc", "MoveTo", "LineTo", "TextOut", ...
        int x = 0, y = 0;   // coordinates, or the size for "SetFontSize"
        std::string text;   // text for "TextOut", face for "SetFontFace"
    };
    RecordingCanvas(int pageWidth, int pageHeight, int charWidth = 20, int charHeight = 50)
        : pageWidth_(pageWidth), pageHeight_(pageHeight), charWidth_(charWidth), charHeight_(charHeight) {}

    void BeginDoc() override { calls.push_back({"BeginDoc", 0, 0, {}}); }
    void EndDoc() override { calls.push_back({"EndDoc", 0, 0, {}}); }
    void AbortDoc() override { calls.push_back({"AbortDoc", 0, 0, {}}); }
    void NewPage() override { calls.push_back({"NewPage", 0, 0, {}}); }
    int PageWidth() override { return pageWidth_; }
    int PageHeight() override { return pageHeight_; }
    void SetFontFace(std::string_view face) override { calls.push_back({"SetFontFace", 0, 0, std::string(face)}); }
    void SetFontSize(int points) override {
        size_ = points;
        calls.push_back({"SetFontSize", points, 0, {}});
    }
    int TextHeight(std::string_view) override { return static_cast<int>(int64_t{charHeight_} * size_ / 12); }
    int TextWidth(std::string_view t) override {
        return static_cast<int>(static_cast<int64_t>(t.size()) * charWidth_ * size_ / 12);
    }
    void MoveTo(int x, int y) override { calls.push_back({"MoveTo", x, y, {}}); }
    void LineTo(int x, int y) override { calls.push_back({"LineTo", x, y, {}}); }
    void TextOut(int x, int y, std::string_view t) override { calls.push_back({"TextOut", x, y, std::string(t)}); }

    std::vector<Call> calls;

private:
    int pageWidth_, pageHeight_, charWidth_, charHeight_;
    int size_ = 12;
};

}  // namespace ca
