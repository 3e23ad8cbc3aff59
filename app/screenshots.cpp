// Pictures of both windows for the README: the main window, and the
// data-entry window with the example table loaded through its Load button.
//   cluster-screenshots EXAMPLE.dat OUTDIR
#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <cstdio>

#include "app/fcoord.h"
#include "app/fmain.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"

namespace {
QString example;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: cluster-screenshots EXAMPLE.dat OUTDIR\n");
        return 2;
    }
    ca::RegisterFontSubstitutions();
    example = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);

    ca::TFMain main;
    main.show();
    ca::TFCoord coord;
    coord.show();
    ca::FileDialog::onShow = [](QFileDialog& d) {
        d.selectFile(example);
        QTimer::singleShot(0, &d, [&d] { QMetaObject::invokeMethod(&d, "accept"); });
    };
    coord.LoadButton->click();
    coord.Grid().SetCurrent(2, 4);
    coord.StringGrid1->EditCurrent();
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    const bool ok = main.grab().save(out + "/fmain.png") && coord.grab().save(out + "/fcoord.png");
    return ok ? 0 : 1;
}
