#include "platform/fonts.h"

#include <QFont>
#include <QString>

namespace ca {

void RegisterFontSubstitutions() {
    struct Substitute {
        const char* face;    // UTF-8
        const char* family;  // installed family
    };
    static const Substitute kSubstitutes[] = {
        {"ＭＳ 明朝", "IPAMincho"},
        {"ＭＳ　明朝", "IPAMincho"},
        {"MS Mincho", "IPAMincho"},
        {"ＭＳ Ｐ明朝", "IPAPMincho"},
        {"ＭＳ　Ｐ明朝", "IPAPMincho"},
        {"MS PMincho", "IPAPMincho"},
        {"ＭＳ ゴシック", "IPAGothic"},
        {"ＭＳ　ゴシック", "IPAGothic"},
        {"MS Gothic", "IPAGothic"},
        {"ＭＳ Ｐゴシック", "IPAPGothic"},
        {"ＭＳ　Ｐゴシック", "IPAPGothic"},
        {"MS PGothic", "IPAPGothic"},
    };
    for (const Substitute& s : kSubstitutes) {
        const QString face = QString::fromUtf8(s.face);
        // Replace rather than add, so that calling twice leaves one entry.
        QFont::removeSubstitutions(face);
        QFont::insertSubstitution(face, QString::fromUtf8(s.family));
    }
}

}  // namespace ca
