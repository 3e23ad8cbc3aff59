// The program asks for the Windows Japanese font faces by name; on this
// platform they are served by the IPA fonts.
#pragma once

namespace ca {

// Maps the Windows face names ("ＭＳ 明朝", "ＭＳ ゴシック", "ＭＳ Ｐゴシック" and
// their ASCII spellings) to the IPA families. Call once at start, after the
// QApplication exists and before any font is built.
void RegisterFontSubstitutions();

}  // namespace ca
