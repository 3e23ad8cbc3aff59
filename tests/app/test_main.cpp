#include <gtest/gtest.h>

#include <QApplication>

#include "platform/fonts.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never the machine's own printers: without the tests' private print
    // server (scripts/test starts one), a server that is not there.
    if (!qEnvironmentVariableIsSet("CUPS_SERVER")) qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ca::RegisterFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
