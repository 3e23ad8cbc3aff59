#include "common/error.h"

#include "common/sjis.h"

namespace ca {

Error::Error(std::string sjisMessage)
    : std::runtime_error(sjisMessage), message_(std::move(sjisMessage)) {}

Error::Error(std::string sjisMessage, std::string shownUtf8)
    : std::runtime_error(sjisMessage), message_(std::move(sjisMessage)), shown_(std::move(shownUtf8)) {}

std::string Error::Shown() const { return shown_.empty() ? SjisToUtf8(message_) : shown_; }

RangeError::RangeError() : Error(J("範囲チェックエラー")) {}

std::string WithFullStop(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text.push_back('.');
    return text;
}

std::string IoErrorText(int code) {
    const char* fixed = nullptr;
    switch (code) {
        case kFileNotFound: fixed = "ファイルが見つかりません"; break;
        case kInvalidFileName: fixed = "不正なファイル名です"; break;
        case kTooManyOpenFiles: fixed = "オープンしたファイルが多すぎます"; break;
        case kAccessDenied: fixed = "ファイルへのアクセスが拒否されました"; break;
        case kReadPastEnd: fixed = "ファイルの末尾以降を読み込みました"; break;
        case kDiskFull: fixed = "ディスクがいっぱいです"; break;
        case kNotANumber: fixed = "入力値が数値ではありません"; break;
        default: break;
    }
    if (fixed) return WithFullStop(J(fixed));
    return WithFullStop(J("I/O エラー (") + std::to_string(code) + ")");
}

IoError::IoError(int code) : Error(IoErrorText(code)), code_(code) {}

namespace {
std::string NotAnIntegerText(std::string_view sjisText) {
    std::string s;
    s.reserve(sjisText.size() + 32);
    s.push_back('\'');
    s.append(sjisText);
    s.push_back('\'');
    s.append(J(" は整数ではありません"));
    return s;
}
}  // namespace

ConvertError::ConvertError(std::string_view sjisText) : Error(NotAnIntegerText(sjisText)) {}

ConvertError ConvertError::Typed(std::string_view utf8Text) {
    std::string sjis;
    if (TryUtf8ToSjis(utf8Text, sjis)) return ConvertError(sjis);
    return ConvertError(NotAnIntegerText("?"), "'" + std::string(utf8Text) + "'" + SjisToUtf8(J(" は整数ではありません")));
}

std::string J(std::string_view utf8) { return Utf8ToSjis(utf8); }

}  // namespace ca
