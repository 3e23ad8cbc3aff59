#include "platform/printer_canvas.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPen>
#include <QPrintDialog>
#include <QPrinter>
#include <QString>

#include <cups/cups.h>

#include "common/error.h"
#include "common/sjis.h"

namespace ca {

namespace {

QString FromSjis(std::string_view sjis) {
    return QString::fromStdString(SjisToUtf8(sjis));
}

// Only a regular file is read back or removed: a PDF sent to a device or a
// pipe (/dev/null, a FIFO) cannot be read back, and is never removed.
bool IsRegularFile(const std::string& path) {
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Qt reports a job that the print server refused (a queue not accepting
// jobs, a printer deleted, the server down) as printed; libcups, read right
// after the document was handed over, tells. A printer that is stopped but
// accepting keeps the job in its queue: that is no failure.
void CheckCupsJob(const QPrinter& printer) {
    if (printer.outputFormat() != QPrinter::NativeFormat) return;
    const ipp_status_t status = cupsLastError();
    if (status <= IPP_STATUS_OK_EVENTS_COMPLETE) return;
    std::string name;
    if (!TryUtf8ToSjis(printer.printerName().toStdString(), name)) name = "?";
    throw PrintNotCompleted(J("プリンタ ") + name + J(" に印刷できませんでした: ") + cupsLastErrorString());
}

}  // namespace

PrinterCanvas::PrinterCanvas(QPrinter& printer) : printer_(printer), face_(J("ＭＳ 明朝")) {
    UpdateFont();
}

PrinterCanvas::~PrinterCanvas() {
    if (painter_.isActive()) AbortDoc();
}

void PrinterCanvas::UpdateFont() {
    font_ = QFont(FromSjis(face_));
    // The size in the printer's pixels, rounded to an even number: a
    // single-byte character of a fixed-pitch face is then a whole number of
    // pixels wide and a double-byte one exactly twice that, so that texts of
    // equal byte counts measure and print equally wide.
    const int64_t pixels = (static_cast<int64_t>(size_) * printer_.resolution() + 72) / 144 * 2;
    // Sizes beyond any page are held at a size that still measures in int.
    font_.setPixelSize(static_cast<int>(std::clamp<int64_t>(pixels, 2, 1 << 20)));
    // Kerning would pull pairs of characters together and break the columns
    // of fixed-pitch text.
    font_.setKerning(false);
    metrics_.emplace(font_, &printer_);
    if (painter_.isActive()) painter_.setFont(font_);
}

void PrinterCanvas::BeginDoc() {
    if (painter_.isActive() || !painter_.begin(&printer_)) {
        throw Error(J("印刷を開始できません"));
    }
    // Lines about 1/200 inch wide; square ends close the corners of joined
    // lines.
    const int width = std::max(1, printer_.resolution() / 200);
    painter_.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter_.setFont(font_);
    current_ = QPoint(0, 0);
}

void PrinterCanvas::EndDoc() {
    if (!painter_.isActive()) return;
    // Qt's PDF engine answers true even when its writes fell short, so a
    // file is read back as well.
    const bool ended = painter_.end();
    const QString file = printer_.outputFileName();
    const std::string path = QFile::encodeName(file).toStdString();
    const bool regular = IsRegularFile(path);
    if (ended && printer_.printerState() != QPrinter::Error && (!regular || PdfFileComplete(path))) {
        CheckCupsJob(printer_);
        return;
    }
    std::string message = J("印刷を最後まで終えられませんでした");
    if (regular) {
        QFile::remove(file);
        message = J("PDF ファイルを最後まで書き込めませんでした");
        struct statvfs fs;
        const std::string folder = std::filesystem::path(path).parent_path().string();
        if (::statvfs(folder.empty() ? "." : folder.c_str(), &fs) == 0 &&
            static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize < (uint64_t{1} << 20))
            message += " (" + IoErrorText(kDiskFull) + ")";
    }
    throw PrintNotCompleted(message);
}

void PrinterCanvas::AbortDoc() {
    if (!painter_.isActive()) return;
    // Qt's own PDF engine cannot cancel; what it has written is removed.
    const bool aborted = printer_.abort();
    painter_.end();
    const QString file = printer_.outputFileName();
    if (!aborted && IsRegularFile(QFile::encodeName(file).toStdString())) QFile::remove(file);
}

void PrinterCanvas::NewPage() {
    if (!printer_.newPage()) throw Error(J("次のページを印刷できません"));
}

int PrinterCanvas::PageWidth() { return printer_.width(); }

int PrinterCanvas::PageHeight() { return printer_.height(); }

void PrinterCanvas::SetFontFace(std::string_view sjisFace) {
    face_ = std::string(sjisFace);
    UpdateFont();
}

void PrinterCanvas::SetFontSize(int points) {
    size_ = points;
    UpdateFont();
}

int PrinterCanvas::TextHeight(std::string_view) { return metrics_->height(); }

int PrinterCanvas::TextWidth(std::string_view sjisText) {
    return metrics_->horizontalAdvance(FromSjis(sjisText));
}

void PrinterCanvas::MoveTo(int x, int y) { current_ = QPoint(x, y); }

void PrinterCanvas::LineTo(int x, int y) {
    const QPoint to(x, y);
    painter_.drawLine(current_, to);
    current_ = to;
}

void PrinterCanvas::TextOut(int x, int y, std::string_view sjisText) {
    painter_.drawText(QPoint(x, y + metrics_->ascent()), FromSjis(sjisText));
}

bool PdfFileComplete(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    const std::streamoff tailSize = std::min<std::streamoff>(size, 1024);
    std::string tail(static_cast<size_t>(tailSize), '\0');
    in.seekg(size - tailSize);
    if (!in.read(tail.data(), tailSize)) return false;
    size_t end = tail.size();
    while (end > 0 && (tail[end - 1] == '\n' || tail[end - 1] == '\r' || tail[end - 1] == ' ')) --end;
    if (end < 5 || tail.compare(end - 5, 5, "%%EOF") != 0) return false;
    const size_t at = tail.rfind("startxref");
    if (at == std::string::npos) return false;
    char* stop = nullptr;
    const long long offset = std::strtoll(tail.c_str() + at + 9, &stop, 10);
    if (stop == tail.c_str() + at + 9 || offset < 0 || offset + 4 > size) return false;
    std::string xref(4, '\0');
    in.seekg(offset);
    return in.read(xref.data(), 4) && xref == "xref";
}

std::unique_ptr<QPrinter> MakePdfPrinter(const std::string& path) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setOutputFileName(QFile::decodeName(QByteArray::fromStdString(path)));
    return printer;
}

bool RunPrintDialog(QPrinter& printer, QWidget* parent) {
    // Qt's dialog sets a PDF printer to the system's default printer as it
    // opens; it is set back, so that the dialog opens on the PDF file.
    const bool pdf = printer.outputFormat() == QPrinter::PdfFormat;
    const QString file = printer.outputFileName();
    QPrintDialog dialog(&printer, parent);
    if (pdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
    }
    dialog.setWindowTitle(QString::fromUtf8("印刷"));
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace ca
