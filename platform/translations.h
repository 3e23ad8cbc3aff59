// Qt's own texts (the buttons of message boxes, the file and print dialogs)
// in the user's language. The program's own texts are not Qt's and stay as
// they are.
#pragma once

#include <memory>

#include <QLocale>
#include <QTranslator>

namespace ca {

// Qt's translation of its own texts for `locale`, from the folder where this
// Qt keeps its translations; null when there is none (English stays). The
// caller installs it on the application and keeps it while it is installed.
std::unique_ptr<QTranslator> LoadQtTranslations(const QLocale& locale);

}  // namespace ca
