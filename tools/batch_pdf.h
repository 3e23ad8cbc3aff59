// The batch command's PDF of the dendrogram, in a module of its own: the GUI
// libraries that fonts and the PDF printer need are loaded only when a PDF is
// asked for, so a run without one starts at once.
#pragma once

#include <string>

namespace ca {
struct AnalysisStore;
}

// Draws the finished tree of `store` as PDF into `path` at the typed font
// size. Raises ca::ConvertError for a font size that is no integer and
// ca::Error when the document cannot be drawn or written. (C linkage only so
// that the command can find it by name in the module.)
extern "C" void ca_write_dendrogram_pdf(ca::AnalysisStore& store, const std::string& path,
                                        const std::string& fontSize, char separator);

using WriteDendrogramPdfFunction = decltype(&ca_write_dendrogram_pdf);
