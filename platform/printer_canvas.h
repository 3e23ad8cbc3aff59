// The system's canvas on a Qt printer: a PDF file or one of the machine's
// printers, drawn in the printer's device pixels.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPoint>

#include "common/error.h"
#include "common/printing.h"

class QPrinter;
class QWidget;

namespace ca {

// Draws on a printer it does not own. The font face and size are kept across
// documents; they start as "ＭＳ 明朝", 12 points. A size becomes the nearest
// even number of printer pixels, so a double-byte character of a fixed-pitch
// face measures exactly twice a single-byte one. Text is measured for the
// printer, so measures are valid before a document is begun.
class PrinterCanvas : public Canvas {
public:
    explicit PrinterCanvas(QPrinter& printer);
    // A document still open is dropped, as by AbortDoc.
    ~PrinterCanvas() override;
    PrinterCanvas(const PrinterCanvas&) = delete;
    PrinterCanvas& operator=(const PrinterCanvas&) = delete;

    // Raises ca::Error when the printer (or the output file) cannot be opened.
    void BeginDoc() override;
    // Raises PrintNotCompleted when the document was not completely written
    // (the engine failed, or a PDF file is short, for example on a full
    // disk); a PDF file is then removed.
    void EndDoc() override;
    // Cancels the job. Where Qt cannot cancel (its PDF engine; CUPS printers
    // on Linux), the document is ended instead and a file being written is
    // removed; a CUPS job then still receives the pages drawn so far.
    void AbortDoc() override;
    // Raises ca::Error when the page cannot be ended.
    void NewPage() override;
    int PageWidth() override;
    int PageHeight() override;
    void SetFontFace(std::string_view sjisFace) override;
    void SetFontSize(int points) override;
    int TextHeight(std::string_view sjisText) override;
    int TextWidth(std::string_view sjisText) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, std::string_view sjisText) override;

    bool InDoc() const { return painter_.isActive(); }
    const std::string& FontFace() const { return face_; }
    int FontSize() const { return size_; }

private:
    void UpdateFont();

    QPrinter& printer_;
    QPainter painter_;
    std::string face_;  // Shift_JIS
    int size_ = 12;
    QFont font_;
    std::optional<QFontMetrics> metrics_;  // of font_ on the printer
    QPoint current_;
};

// A print that did not reach its end; nothing of it is left behind.
class PrintNotCompleted : public Error {
public:
    using Error::Error;
};

// True when the file is a whole PDF document: it ends with "%%EOF" after a
// "startxref" whose offset points at the cross-reference table inside it.
bool PdfFileComplete(const std::string& path);

// A printer writing a PDF file at `path` (a file-system path): 1200 dpi,
// A4 portrait.
std::unique_ptr<QPrinter> MakePdfPrinter(const std::string& path);

// Qt's print dialog on `printer` (the machine's printers, or a PDF file),
// opening on the printer's present choice. True when the user confirms; the
// printer then holds the choices made.
bool RunPrintDialog(QPrinter& printer, QWidget* parent);

}  // namespace ca
