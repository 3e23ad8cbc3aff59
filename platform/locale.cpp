#include "platform/locale.h"

#include <QLocale>

namespace ca {

char LocaleDecimalSeparator() {
    static const char separator = [] {
        const QString point = QLocale::system().decimalPoint();
        return point.size() == 1 && point[0].unicode() > 0x20 && point[0].unicode() < 0x7F
                   ? static_cast<char>(point[0].unicode())
                   : '.';
    }();
    return separator;
}

}  // namespace ca
