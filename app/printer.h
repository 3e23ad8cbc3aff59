// The program's one printer and its canvas; the canvas keeps its font face
// and size from one document to the next.
#pragma once

class QPrinter;

namespace ca {

class PrinterCanvas;

QPrinter& ProgramPrinter();
PrinterCanvas& ProgramCanvas();

}  // namespace ca
