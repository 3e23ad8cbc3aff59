#include "tools/batch_pdf.h"

#include <QGuiApplication>
#include <QPrinter>

#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "common/error.h"
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

int Answer(int status, const std::string& text, char* message, size_t size) {
    if (size > 0) {
        const size_t n = std::min(text.size(), size - 1);
        std::memcpy(message, text.data(), n);
        message[n] = '\0';
    }
    return status;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int ca_batch_pdf(ca::AnalysisStore* store, const char* path,
                                                                   const char* fontSize, char separator,
                                                                   char* message, size_t messageSize) {
    try {
        // Fonts and the PDF printer need a GUI application; no display is needed.
        static std::unique_ptr<QGuiApplication> app;
        if (!app) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
            qInstallMessageHandler(QuietQt);
            static int argc = 1;
            static char name[] = "cluster-batch";
            static char* argv[] = {name, nullptr};
            app = std::make_unique<QGuiApplication>(argc, argv);
            ca::RegisterFontSubstitutions();
        }
        const std::unique_ptr<QPrinter> printer = ca::MakePdfPrinter(path);
        ca::PrinterCanvas canvas(*printer);
        ca::PrintDendrogram(*store, canvas, fontSize, separator);
        return kBatchPdfDone;
    } catch (const ca::ConvertError& e) {
        return Answer(kBatchPdfBadFontSize, e.Message(), message, messageSize);
    } catch (const ca::Error& e) {
        return Answer(kBatchPdfFailed, e.Message(), message, messageSize);
    } catch (const std::exception& e) {
        return Answer(kBatchPdfFailed, e.what(), message, messageSize);
    }
}
