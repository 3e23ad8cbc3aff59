// Cluster Analysis: hierarchical cluster analysis of small numeric tables.
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "app/application.h"
#include "app/fmain.h"
#include "common/stagedfile.h"
#include "app/guard.h"
#include "platform/fonts.h"
#include "platform/translations.h"

namespace {

// The last line of the general error handler: an error that a handler did
// not catch itself is shown like any other and the program goes on.
class Application : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        bool handled = false;
        ca::Guarded(activeWindow(), [&] { handled = QApplication::notify(receiver, event); });
        return handled;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("cluster-analysis " CLUSTER_VERSION);
        return 0;
    }
    // An interrupt or an end leaves no temporary file of a save behind.
    ca::RemoveStagedFilesOnEndSignals();
    Application app(argc, argv);
    ca::SetUpApplication(app);
    // The buttons and captions of Qt's dialogs in the user's language.
    const auto qtTexts = ca::LoadQtTranslations(QLocale::system());
    if (qtTexts) app.installTranslator(qtTexts.get());
    ca::RegisterFontSubstitutions();
    ca::TFMain FMain;
    FMain.show();
    return app.exec();
}
