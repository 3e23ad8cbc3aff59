// The user's decimal separator, taken once from the system locale.
#pragma once

namespace ca {

// The locale's decimal separator when it is one ASCII character, else ".".
char LocaleDecimalSeparator();

}  // namespace ca
