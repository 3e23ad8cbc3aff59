#include "app/printer.h"

#include "common/error.h"
#include "common/sjis.h"

namespace ca {

PrintChoice& LastPrintChoice() {
    static PrintChoice choice;
    return choice;
}

namespace {

// The printer set to the last choice, titled for the queue.
QPrinter& Prepared(QPrinter& printer, const std::string& sjisWhat) {
    printer.setDocName(QString::fromStdString(SjisToUtf8(J("クラスター分析 - ") + sjisWhat)));
    const PrintChoice& c = LastPrintChoice();
    if (c.chosen && c.pdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(c.fileName);
    } else if (c.chosen) {
        printer.setPrinterName(c.printerName);
    }
    return printer;
}

}  // namespace

PrintJob::PrintJob(const std::string& sjisWhat)
    : printer_(QPrinter::HighResolution), canvas_(Prepared(printer_, sjisWhat)) {}

bool PrintJob::Ask(QWidget* parent) {
    if (!RunPrintDialog(printer_, parent)) return false;
    PrintChoice& c = LastPrintChoice();
    c.chosen = true;
    c.pdf = printer_.outputFormat() == QPrinter::PdfFormat;
    c.printerName = printer_.printerName();
    c.fileName = printer_.outputFileName();
    return true;
}

}  // namespace ca
