// Text helpers shared by the platform services: the system keeps its texts in
// UTF-8, while registry strings and the game's names are UTF-16.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Converts UTF-8 to UTF-16; a malformed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// Converts UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// The number of UTF-16 code units the UTF-8 text converts to, which is what
// Windows counts as "characters" in its length limits.
std::size_t Utf16Length(std::string_view text);

// Letter case folded for ASCII only: the names the system compares without
// regard to case (registry keys, archive file names) are ASCII.
char AsciiLower(char c);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Orders as the case-folded texts would; for sorting case-insensitive names.
bool LessNoCase(std::string_view a, std::string_view b);

}  // namespace platform
