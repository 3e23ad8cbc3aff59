// Cluster Analysis: hierarchical cluster analysis of small numeric tables.
#include <QApplication>

#include "app/fmain.h"
#include "platform/fonts.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ca::RegisterFontSubstitutions();
    ca::TFMain FMain;
    FMain.show();
    return app.exec();
}
