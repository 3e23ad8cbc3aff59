// The application's icon and desktop entry, as the desktop sees them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>

#include <filesystem>

#include "app/application.h"
#include "app/fmain.h"

namespace ca {
namespace {

TEST(Application, WindowsCarryTheIconOfTheirDesktopEntry) {
    SetUpApplication(*qApp);
    EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), kDesktopFileName);
    EXPECT_TRUE(std::filesystem::exists(std::string(CLUSTER_SOURCE_DIR) + "/dist/" + kDesktopFileName + ".desktop"));
    TFMain window;
    EXPECT_FALSE(window.windowIcon().pixmap(32).isNull()) << "no icon drawn (Qt's SVG plugin missing?)";
}

}  // namespace
}  // namespace ca
