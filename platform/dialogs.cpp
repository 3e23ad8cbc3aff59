#include "platform/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "common/sjis.h"

namespace ca {

void (*FileDialog::onShow)(QFileDialog&) = nullptr;

namespace {

// A save dialog that asks before replacing the file that will really be
// written; a "no" keeps the dialog open.
class SaveFileDialog : public QFileDialog {
public:
    SaveFileDialog(QWidget* parent, const QString& title, std::function<QString(const QString&)> written)
        : QFileDialog(parent, title), written_(std::move(written)) {}

    void accept() override {
        const QStringList chosen = selectedFiles();
        if (acceptMode() == AcceptSave && !chosen.isEmpty() && !QFileInfo(chosen.first()).isDir()) {
            const QFileInfo target(written_ ? written_(chosen.first()) : chosen.first());
            if (target.exists()) {
                const QString question =
                    QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
                        .arg(target.fileName());
                if (QMessageBox::warning(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::No) != QMessageBox::Yes)
                    return;
            }
        }
        QFileDialog::accept();
    }

private:
    std::function<QString(const QString&)> written_;
};

}  // namespace

bool FileDialog::Execute(QWidget* parent, Use use, std::function<QString(const QString&)> written) {
    SaveFileDialog dialog(parent, title, std::move(written));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);  // asked above, about the file written
    dialog.setAcceptMode(use == Use::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);  // "*.CSV" lists a.csv too
    // Shown as the description before the bar; its own pattern ("*.csv")
    // lists the names, in any case, as the pattern after the bar would.
    const qsizetype bar = filter.indexOf('|');
    if (!filter.isEmpty()) dialog.setNameFilter(bar >= 0 ? filter.left(bar) : filter);
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    if (onShow) onShow(dialog);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    fileName = chosen.first();
    return true;
}

std::string FileDialog::Path() const { return QFile::encodeName(fileName).toStdString(); }

QString ProgramTitle() {
    const QString path = QCoreApplication::applicationFilePath();
    return ProgramTitleOf(path.isEmpty() ? QCoreApplication::applicationName() : path);
}

QString ProgramTitleOf(const QString& executablePath) {
    QString name = QFileInfo(executablePath).fileName();
    const qsizetype dot = name.indexOf('.');
    if (dot >= 0) name = name.left(dot);
    return name.left(1) + name.mid(1).toLower();
}

void ShowErrorBox(QWidget* parent, const std::string& sjisMessage) {
    ShowErrorText(parent, QString::fromStdString(SjisToUtf8(sjisMessage)));
}

void ShowErrorText(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, ProgramTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

void ShowMessageBox(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace ca
