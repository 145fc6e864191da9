// The toolkit keeps its names and messages as wide text whose characters are
// code points; the rest of the system speaks UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace zfx {

// UTF-8 of a wide text; values that are no code point (surrogates, beyond
// U+10FFFF) become U+FFFD.  A null text gives the empty text.
std::string WideToUtf8(const wchar_t* text);

// The wide text of UTF-8; each byte that does not start a well-formed
// sequence (bad lead byte, missing or bad continuation, overlong form,
// surrogate, beyond U+10FFFF) becomes U+FFFD.
std::wstring Utf8ToWide(std::string_view text);

}  // namespace zfx
