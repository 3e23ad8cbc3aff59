// Messages for the user's terminal, in the encoding of the user's locale.
#pragma once

#include <string>
#include <string_view>

namespace ca::batch {

// The character set of the user's locale (LC_ALL, LC_CTYPE, LANG), as the
// system names it: "UTF-8", "EUC-JP", "ANSI_X3.4-1968" (the C locale) ...
std::string LocaleCodeset();

// Valid UTF-8 text in `codeset`; a character it cannot hold becomes \uXXXX
// (or \UXXXXXXXX) so that nothing the terminal cannot show reaches it.
std::string ForTerminal(std::string_view utf8, const std::string& codeset);

}  // namespace ca::batch
