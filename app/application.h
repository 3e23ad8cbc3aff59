// What the program sets on its application object before the first window:
// names, version, icon and the desktop entry it belongs to.
#pragma once

class QApplication;

namespace ca {

// The desktop entry's name (cluster-analysis.desktop, without ".desktop"):
// the desktop matches the program's windows with it.
inline constexpr const char* kDesktopFileName = "cluster-analysis";

void SetUpApplication(QApplication& app);

}  // namespace ca
