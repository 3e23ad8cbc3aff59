#include "app/printer.h"

#include <QPrinter>

#include "platform/printer_canvas.h"

namespace ca {

QPrinter& ProgramPrinter() {
    static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
    return *printer;
}

PrinterCanvas& ProgramCanvas() {
    static PrinterCanvas* canvas = new PrinterCanvas(ProgramPrinter());
    return *canvas;
}

}  // namespace ca
