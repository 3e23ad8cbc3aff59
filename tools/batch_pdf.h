// The batch command's PDF of the dendrogram, in a module of its own: the GUI
// libraries that fonts and the PDF printer need are loaded only when a PDF is
// asked for, so a run without one starts at once.
#pragma once

#include <cstddef>

namespace ca {
struct AnalysisStore;
}

extern "C" {

// What ca_batch_pdf answers.
enum BatchPdfStatus : int {
    kBatchPdfDone = 0,
    kBatchPdfBadFontSize = 1,  // the font size is no integer (message: the program's text)
    kBatchPdfFailed = 2,       // the document could not be drawn or written (message: why)
};

// Draws the finished tree of `store` as PDF into `path` at the typed font
// size. `message` receives the program's Shift_JIS text of a failure, cut to
// `messageSize` bytes with a closing NUL.
typedef int (*BatchPdfFunction)(ca::AnalysisStore* store, const char* path, const char* fontSize, char separator,
                                char* message, size_t messageSize);

int ca_batch_pdf(ca::AnalysisStore* store, const char* path, const char* fontSize, char separator, char* message,
                 size_t messageSize);
}
