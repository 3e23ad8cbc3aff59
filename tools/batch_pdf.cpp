#include "tools/batch_pdf.h"

#include <QGuiApplication>
#include <QPrinter>

#include <iostream>
#include <memory>

#include "engine/dendrogram.h"
#include "platform/fonts.h"
#include "platform/printer_canvas.h"
#include "tools/batch_support.h"

namespace {

// Qt's own notices (no runtime folder, font hints) are not the program's
// messages; only failures of Qt itself reach standard error.
void QuietQt(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << "cluster-batch: Qt: " << ca::batch::EscapeName(text.toStdString()) << "\n";
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void ca_write_dendrogram_pdf(ca::AnalysisStore& store,
                                                                               const std::string& path,
                                                                               const std::string& fontSize,
                                                                               char separator) {
    // Fonts and the PDF printer need a GUI application; no display is needed.
    // It is never destroyed: at the process's exit Qt's own globals may be
    // gone before it.
    static QGuiApplication* app = nullptr;
    if (!app) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietQt);
        static int argc = 1;
        static char name[] = "cluster-batch";
        static char* argv[] = {name, nullptr};
        app = new QGuiApplication(argc, argv);
        ca::RegisterFontSubstitutions();
    }
    const std::unique_ptr<QPrinter> printer = ca::MakePdfPrinter(path);
    ca::PrinterCanvas canvas(*printer);
    ca::PrintDendrogram(store, canvas, fontSize, separator);
}
