#include "platform/translations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

namespace ca {
namespace {

// Under a Japanese locale the standard buttons of Qt's dialogs read in
// Japanese; other languages get their own; without a translation English stays.
TEST(QtTranslations, StandardButtonsInTheUsersLanguage) {
    const struct {
        QLocale locale;
        const char* cancel;  // UTF-8
        bool found;
    } cases[] = {
        {QLocale(QLocale::Japanese, QLocale::Japan), "キャンセル", true},
        {QLocale(QLocale::German, QLocale::Germany), "Abbrechen", true},
        {QLocale(QLocale::Swahili, QLocale::Kenya), "Cancel", false},
    };
    for (const auto& k : cases) {
        const auto translator = LoadQtTranslations(k.locale);
        EXPECT_EQ(translator != nullptr, k.found) << k.cancel;
        if (translator) QApplication::installTranslator(translator.get());
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove('&').toStdString(), k.cancel);
        QMessageBox message(QMessageBox::Information, "t", "x", QMessageBox::Cancel);
        EXPECT_EQ(message.button(QMessageBox::Cancel)->text().remove('&').toStdString(), k.cancel);
        if (translator) QApplication::removeTranslator(translator.get());
    }
}

}  // namespace
}  // namespace ca
