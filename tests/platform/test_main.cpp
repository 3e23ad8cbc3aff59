#include <gtest/gtest.h>

#include <QApplication>

#include "platform/fonts.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // The tests draw on printers only; no display is needed (this also lets
    // the test listing run at build time).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never the machine's own printers: without the tests' private print
    // server (scripts/test starts one), a server that is not there.
    if (!qEnvironmentVariableIsSet("CUPS_SERVER")) qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    QApplication app(argc, argv);
    ca::RegisterFontSubstitutions();
    return RUN_ALL_TESTS();
}
