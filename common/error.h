// The system's errors. Every failure is an exception carrying its message as
// Shift_JIS (code page 932) bytes; the general error handler shows that text.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "common/extended.h"

namespace ca {

// The system's general error: a message and nothing else.
class Error : public std::runtime_error {
public:
    explicit Error(std::string sjisMessage);
    // The message in Shift_JIS bytes (what() returns the same bytes).
    const std::string& Message() const { return message_; }
    // The message for the screen, in UTF-8.
    std::string Shown() const;

protected:
    // A message whose screen form holds what Shift_JIS cannot.
    Error(std::string sjisMessage, std::string shownUtf8);

private:
    std::string message_;
    std::string shown_;  // empty: the message itself
};

// An index outside the declared bounds of a table.
class RangeError : public Error {
public:
    RangeError();
};

// A failed file operation, with the code that selects its message.
class IoError : public Error {
public:
    explicit IoError(int code);
    int Code() const { return code_; }

private:
    int code_;
};

// Text that does not read as an integer ("'%s' は整数ではありません").
class ConvertError : public Error {
public:
    explicit ConvertError(std::string_view sjisText);
    // The same for text as the user typed it (UTF-8), shown as typed, also
    // where it holds a character that code page 932 cannot hold.
    static ConvertError Typed(std::string_view utf8Text);

private:
    ConvertError(std::string sjisMessage, std::string shownUtf8) : Error(std::move(sjisMessage), std::move(shownUtf8)) {}
};

// An invalid operation, a division by zero or an overflow in extended arithmetic.
class MathError : public Error {
public:
    using Error::Error;
};

// Well-known I/O error codes.
enum IoCode : int {
    kFileNotFound = 2,
    kInvalidFileName = 3,
    kTooManyOpenFiles = 4,
    kAccessDenied = 5,
    kReadPastEnd = 100,
    kDiskFull = 101,
    kFileNotOpen = 103,
    kNotANumber = 106,
    kDeviceError = 1117,  // an I/O error of the device itself
};

// The text shown for an I/O error code, with the closing full stop where the
// rule asks for one (every fixed text; not "I/O エラー (%d)").
std::string IoErrorText(int code);

// Appends "." when the last byte of the text sorts above "." byte-wise.
std::string WithFullStop(std::string text);

// Turns a UTF-8 literal of the source into the system's Shift_JIS bytes.
// Only for texts known to be representable; see sjis.h for user text.
std::string J(std::string_view utf8);

}  // namespace ca
