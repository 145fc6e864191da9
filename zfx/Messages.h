// The toolkit's numbered messages, in English and Japanese, and the
// translators that pick the user's language.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "zfx/NonCopyable.h"

namespace zfx {

// Message codes of the toolkit's table.
enum MessageCode : std::int32_t {
  MSG_ACCESS_OVERFLOW = 1,
  MSG_RLE_UNSUPPORTED = 2,
  MSG_FIXED_TYPE = 3,
  MSG_DIRECT_TO_INDEXED = 4,
  MSG_INDEXED_TO_DIRECT = 5,
  MSG_INVALID_HEADER_PLATFORM = 6,
  MSG_PLATFORM_MISMATCH = 7,
  MSG_H_COORD = 8,
  MSG_INVALID_PIXEL_FORMAT = 9,
  MSG_INVALID_PLATFORM = 10,
  MSG_UNSUPPORTED_ON_PLATFORM = 11,
  MSG_INVALID_TEXTURE_SIZE = 12,
  MSG_XB2_TILE_DXT_TOO_SMALL = 13,
  MSG_NOT_INITIALIZED = 14,
  MSG_NO_TEXTURES = 15,
  MSG_PALETTE_ARRAY = 16,
  MSG_PALETTE_COLOR_ARRAY = 17,
  MSG_W_COORD = 18,
};

// The category under which the toolkit registers its messages.
inline constexpr std::int32_t kToolkitMessageCategory = 10000;

// One entry of the built-in table; the table ends with code 0.
struct SMessageEntry {
  std::int32_t code;
  const wchar_t* japanese;
  const wchar_t* english;
};

// The built-in table: 18 messages followed by the terminating entry.
extern const SMessageEntry kBuiltinMessages[19];

// True when the user's locale is Japanese: off Windows, the first of
// LC_ALL, LC_MESSAGES and LANG that is set and not empty starts with "ja".
bool IsJapaneseLocale();

class CMessageTranslator {
 public:
  // The language is taken from the user's locale, once, here.
  CMessageTranslator();
  CMessageTranslator(bool english, bool locked);

  // Fills the map from the built-in table; false on a locked translator.
  bool LoadBuiltinMessages();
  // The text for code in the translator's language, or null when the
  // translator is locked or the code is unknown.
  const wchar_t* GetMessage(std::int32_t code) const;

  bool IsEnglish() const { return m_english; }
  bool IsLocked() const { return m_locked; }

 private:
  std::map<std::int32_t, SMessageEntry> m_messages;
  bool m_english;
  bool m_locked;
};

class CMessageTranslatorManager : public CNonCopyable {
 public:
  ~CMessageTranslatorManager() override;

  static CMessageTranslatorManager& GetInstance();

  // Creates an empty translator for category unless one exists; always true.
  bool Register(std::int32_t category);
  // The category's translator, or the locked fallback translator.
  CMessageTranslator& GetTranslator(std::int32_t category);

 private:
  CMessageTranslatorManager() = default;

  std::map<std::int32_t, std::unique_ptr<CMessageTranslator>> m_translators;
};

// Registers and loads the toolkit's messages the first time it is called in
// the process (again after a load that failed).  Images and G1T texture file
// objects call it on construction.
void RegisterToolkitMessages();

// Reports a toolkit error: the message is looked up in the user's language
// and dropped.  The caller returns its failure result afterwards.
void ReportError(std::int32_t code);

}  // namespace zfx
