#include "app/application.h"

#include <QApplication>
#include <QIcon>

namespace ca {

void SetUpApplication(QApplication& app) {
    QApplication::setApplicationName("cluster-analysis");
    QApplication::setApplicationVersion(CLUSTER_VERSION);
    QGuiApplication::setDesktopFileName(kDesktopFileName);
    // The icon of the desktop entry, for every window of the program.
    app.setWindowIcon(QIcon(":/cluster-analysis.svg"));
}

}  // namespace ca
