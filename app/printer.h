// Printing from the windows. Every print starts from a fresh printer and
// canvas, so that nothing of a failed document survives into the next; the
// printer is set to the choice made last in the print dialog during this
// program run (a printer, or a PDF file and its name), the first one to the
// system's default.
#pragma once

#include <string>

#include <QPrinter>
#include <QString>

#include "platform/printer_canvas.h"

class QWidget;

namespace ca {

// The print dialog's last choice in this program run.
struct PrintChoice {
    bool chosen = false;  // false: the system's default
    bool pdf = false;
    QString printerName;
    QString fileName;  // of the PDF
};
PrintChoice& LastPrintChoice();

// One print job, titled "クラスター分析 - " and `what` (Shift_JIS) in the
// print queue.
class PrintJob {
public:
    explicit PrintJob(const std::string& sjisWhat);
    // The print dialog on this job's printer; true when the user confirms,
    // and the choice made is then kept for the next job.
    bool Ask(QWidget* parent);
    PrinterCanvas& Canvas() { return canvas_; }

private:
    QPrinter printer_;
    PrinterCanvas canvas_;
};

}  // namespace ca
