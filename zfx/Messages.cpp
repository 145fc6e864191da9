#include "zfx/Messages.h"

#include <cstdlib>
#include <cstring>

namespace zfx {

const SMessageEntry kBuiltinMessages[19] = {
    {1, L"範囲外アクセス", L"Access overflow."},
    {2, L"RLE圧縮フォーマットには非対応です。", L"Cannot use RLE compressed format."},
    {3, L"Fixed型です。", L"Fixed type class."},
    {4, L"ダイレクト形式のイメージデータは、インデックス形式のピクセルフォーマットで出力できません。",
     L"Cannot convert from direct image data to indexed image data."},
    {5, L"インデックス形式のイメージデータは、ダイレクト形式でピクセルフォーマットで出力できません。",
     L"Cannot convert from indexed image data to direct image data."},
    {6, L"File header のPLATFORM設定が不正です。", L"Invalid platform specification in file header."},
    {7, L"File headerとTexture のPlatformが異なるものがあります。",
     L"Platform of file header and Texture is different. "},
    {8, L"H座標", L"H"},
    {9, L"PIXEL FORMAT が正しくセットされていません。", L"Invalid pixel format."},
    {10, L"PLATFORM が正しくセットされていません。", L"Invalid platform."},
    {11, L"指定された platform ではサポートされていない形式です。",
     L"It is unsupported format in the platform"},
    {12, L"Width又はHeightが不正です。", L"Invalid texture size."},
    {13, L"platform = XB2で、*_TILE_DXT? の場合、テクスチャサイズは128 * 128以上でなければなりません。",
     L"When platform is XB2 and TILE_DXT format, the texture size should be (128 * 128) or more."},
    {14, L"未初期化です。", L"Not initialized."},
    {15, L"Textureが存在しません。", L"There is no textures."},
    {16, L"パレットリスト", L"Palette array."},
    {17, L"パレットカラー", L"Palette color array."},
    {18, L"W座標", L"W"},
    {0, nullptr, nullptr},
};

bool IsJapaneseLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return std::strncmp(value, "ja", 2) == 0;
  }
  return false;
}

CMessageTranslator::CMessageTranslator() : CMessageTranslator(!IsJapaneseLocale(), false) {}

CMessageTranslator::CMessageTranslator(bool english, bool locked)
    : m_english(english), m_locked(locked) {}

bool CMessageTranslator::LoadBuiltinMessages() {
  if (m_locked) return false;
  m_messages.clear();
  for (const SMessageEntry& entry : kBuiltinMessages) {
    if (entry.code == 0) break;
    m_messages.emplace(entry.code, entry);
  }
  return true;
}

const wchar_t* CMessageTranslator::GetMessage(std::int32_t code) const {
  if (m_locked) return nullptr;
  const auto it = m_messages.find(code);
  if (it == m_messages.end()) return nullptr;
  return m_english ? it->second.english : it->second.japanese;
}

CMessageTranslatorManager::~CMessageTranslatorManager() = default;

CMessageTranslatorManager& CMessageTranslatorManager::GetInstance() {
  static CMessageTranslatorManager instance;
  return instance;
}

bool CMessageTranslatorManager::Register(std::int32_t category) {
  auto& slot = m_translators[category];
  if (!slot) slot = std::make_unique<CMessageTranslator>();
  return true;
}

CMessageTranslator& CMessageTranslatorManager::GetTranslator(std::int32_t category) {
  const auto it = m_translators.find(category);
  if (it != m_translators.end()) return *it->second;
  static CMessageTranslator fallback(true, true);
  return fallback;
}

namespace {
bool g_toolkitMessagesRegistered = false;
}  // namespace

void RegisterToolkitMessages() {
  if (g_toolkitMessagesRegistered) return;
  CMessageTranslatorManager& manager = CMessageTranslatorManager::GetInstance();
  manager.Register(kToolkitMessageCategory);
  if (manager.GetTranslator(kToolkitMessageCategory).LoadBuiltinMessages())
    g_toolkitMessagesRegistered = true;
}

void ReportError(std::int32_t code) {
  const wchar_t* text =
      CMessageTranslatorManager::GetInstance().GetTranslator(kToolkitMessageCategory).GetMessage(code);
  // Nobody shows the text; the lookup stays so that a debugger can see it.
  static_cast<void>(text);
}

}  // namespace zfx
