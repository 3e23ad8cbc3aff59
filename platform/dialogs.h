// File dialogs and message boxes of the windows.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QWidget;
class QFileDialog;

namespace ca {

// A file dialog that keeps its title and filter between uses. The filter is
// written "Description|pattern" ("CSV files (*.csv)|*.CSV"): the description
// is shown and names matching the pattern, in any case, are listed. The
// dialog takes an existing or a newly typed name and adds no extension.
class FileDialog {
public:
    // To open a file, or to write one: a Save button, and a question before
    // an existing file is replaced (a "no" goes back to the dialog).
    enum class Use { Open, Save };

    QString title;
    QString filter;    // empty: every file
    QString fileName;  // the name chosen last (full path)

    // Shows the dialog; true when the user confirms a name. For saving,
    // `written` gives the name the file will be written under when it is not
    // the chosen one (the question is asked about that file).
    bool Execute(QWidget* parent, Use use = Use::Open, std::function<QString(const QString&)> written = {});
    // The chosen name as a file-system path.
    std::string Path() const;

    // Called with each dialog just before it is shown (for tests that answer it).
    static void (*onShow)(QFileDialog&);
};

// The program's title: the executable's name without its folder, cut at the
// first ".", every character after the first in lower case.
QString ProgramTitle();
QString ProgramTitleOf(const QString& executablePath);

// The error box of the general error handler: critical icon, the program's
// title, the message (Shift_JIS) as text.
void ShowErrorBox(QWidget* parent, const std::string& sjisMessage);
void ShowErrorText(QWidget* parent, const QString& text);

// A plain message box with an OK button.
void ShowMessageBox(QWidget* parent, const QString& text);

}  // namespace ca
