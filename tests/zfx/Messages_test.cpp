#include "zfx/Messages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "support/ScopedEnv.h"
#include "zfx/Errors.h"
#include "zfx/TextWriter.h"

namespace zfx {
namespace {

// Sets the locale variables for one test and restores them afterwards.
class LocaleEnv {
 public:
  LocaleEnv(const char* all, const char* messages, const char* lang)
      : m_all("LC_ALL", all), m_messages("LC_MESSAGES", messages), m_lang("LANG", lang) {}

 private:
  kaocg_test::ScopedEnv m_all, m_messages, m_lang;
};

TEST(Messages, LocaleDecidesTheLanguage) {
  struct Case { const char* all; const char* messages; const char* lang; bool japanese; };
  for (const Case& k : {Case{"ja_JP.UTF-8", nullptr, nullptr, true},
                        Case{nullptr, "ja_JP", "en_US", true},
                        Case{nullptr, nullptr, "ja", true},
                        Case{"C", nullptr, "ja_JP.UTF-8", false},
                        Case{"", "", "ja_JP.UTF-8", true},
                        Case{"en_GB", "ja_JP", "ja_JP", false},
                        Case{nullptr, nullptr, "jv_ID", false},
                        Case{nullptr, nullptr, nullptr, false}}) {
    LocaleEnv env(k.all, k.messages, k.lang);
    EXPECT_EQ(IsJapaneseLocale(), k.japanese)
        << (k.all ? k.all : "-") << " " << (k.messages ? k.messages : "-") << " " << (k.lang ? k.lang : "-");
    CMessageTranslator t;
    EXPECT_EQ(t.IsEnglish(), !k.japanese);
  }
}

TEST(Messages, TableHoldsEighteenCodesInOrder) {
  for (int i = 0; i < 18; ++i) {
    EXPECT_EQ(kBuiltinMessages[i].code, i + 1);
    EXPECT_NE(kBuiltinMessages[i].english, nullptr);
    EXPECT_NE(kBuiltinMessages[i].japanese, nullptr);
  }
  EXPECT_EQ(kBuiltinMessages[18].code, 0);
}

TEST(Messages, TranslatorAnswersInItsLanguage) {
  CMessageTranslator english(true, false), japanese(false, false);
  EXPECT_EQ(english.GetMessage(15), nullptr) << "nothing before the load";
  ASSERT_TRUE(english.LoadBuiltinMessages());
  ASSERT_TRUE(japanese.LoadBuiltinMessages());
  EXPECT_STREQ(english.GetMessage(15), L"There is no textures.");
  EXPECT_STREQ(japanese.GetMessage(15), L"Textureが存在しません。");
  EXPECT_STREQ(english.GetMessage(7), L"Platform of file header and Texture is different. ");
  EXPECT_STREQ(japanese.GetMessage(18), L"W座標");
  EXPECT_STREQ(english.GetMessage(1), L"Access overflow.");
  for (std::int32_t code : {0, 19, -1, 10000}) {
    EXPECT_EQ(english.GetMessage(code), nullptr) << code;
    EXPECT_EQ(japanese.GetMessage(code), nullptr) << code;
  }
  // A copy carries the messages and the language.
  CMessageTranslator copy = japanese;
  EXPECT_STREQ(copy.GetMessage(12), L"Width又はHeightが不正です。");
}

TEST(Messages, LockedTranslatorNeverAnswers) {
  CMessageTranslator locked(true, true);
  EXPECT_FALSE(locked.LoadBuiltinMessages());
  EXPECT_EQ(locked.GetMessage(15), nullptr);
}

TEST(Messages, UnregisteredCategoryGetsTheFallback) {
  auto& manager = CMessageTranslatorManager::GetInstance();
  EXPECT_EQ(&manager, &CMessageTranslatorManager::GetInstance());
  CMessageTranslator& a = manager.GetTranslator(4242);
  EXPECT_TRUE(a.IsLocked());
  EXPECT_EQ(&a, &manager.GetTranslator(4343));
  EXPECT_EQ(a.GetMessage(15), nullptr);
  EXPECT_FALSE(a.LoadBuiltinMessages());
}

TEST(Messages, RegisterKeepsAnExistingTranslator) {
  auto& manager = CMessageTranslatorManager::GetInstance();
  EXPECT_TRUE(manager.Register(777));
  CMessageTranslator& t = manager.GetTranslator(777);
  EXPECT_FALSE(t.IsLocked());
  ASSERT_TRUE(t.LoadBuiltinMessages());
  EXPECT_TRUE(manager.Register(777));
  EXPECT_EQ(&t, &manager.GetTranslator(777));
  EXPECT_NE(t.GetMessage(3), nullptr);
}

// Registration of the toolkit's messages is process-wide state, so the
// first-use behaviour is checked in a fresh copy of the test program.
TEST(MessagesDeathTest, ToolkitMessagesAppearOnFirstRegistration) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("LC_ALL", "ja_JP.UTF-8", 1);
        auto& manager = CMessageTranslatorManager::GetInstance();
        bool ok = manager.GetTranslator(kToolkitMessageCategory).IsLocked() &&
                  manager.GetTranslator(kToolkitMessageCategory).GetMessage(15) == nullptr;
        ReportError(15);  // harmless before registration
        RegisterToolkitMessages();
        CMessageTranslator& t = manager.GetTranslator(kToolkitMessageCategory);
        ok = ok && !t.IsLocked() && t.GetMessage(15) != nullptr &&
             std::wcscmp(t.GetMessage(15), L"Textureが存在しません。") == 0;
        // A later registration does not reload the messages: a translator
        // emptied meanwhile stays empty.
        t = CMessageTranslator(false, false);
        RegisterToolkitMessages();
        ok = ok && manager.GetTranslator(kToolkitMessageCategory).GetMessage(15) == nullptr;
        ReportError(15);
        ReportError(-1);
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(MessagesDeathTest, EnglishLocaleGetsEnglishToolkitMessages) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("LC_ALL", "de_DE.UTF-8", 1);
        RegisterToolkitMessages();
        const wchar_t* text =
            CMessageTranslatorManager::GetInstance().GetTranslator(kToolkitMessageCategory).GetMessage(15);
        std::exit(text != nullptr && std::wcscmp(text, L"There is no textures.") == 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// Collects what a text writer receives.
class CTextCollector : public CTextWriterBase {
 public:
  bool Write(const char* text) override { narrow = text; return result; }
  bool Write(const wchar_t* text) override { wide = text; return result; }
  void Flush() override {}
  std::string narrow;
  std::wstring wide;
  bool result = true;
};

TEST(TextWriter, WriteFormatFormatsAndPassesTheResultOn) {
  CTextCollector c;
  EXPECT_TRUE(WriteFormat(c, "%s %dx%d", "DXT1", 256, 128));
  EXPECT_EQ(c.narrow, "DXT1 256x128");
  EXPECT_TRUE(WriteFormat(c, L"%ls=%u", L"幅", 60u));
  EXPECT_EQ(c.wide, L"幅=60");
  c.result = false;
  EXPECT_FALSE(WriteFormat(c, "%d", 1));
  EXPECT_FALSE(WriteFormat(c, L"%d", 1));
}

TEST(TextWriter, OverlongTextIsTruncatedToTheBuffer) {
  CTextCollector c;
  const std::string longNarrow(40000, 'a');
  const std::wstring longWide(40000, L'b');
  WriteFormat(c, "%s!", longNarrow.c_str());
  EXPECT_EQ(c.narrow.size(), static_cast<size_t>(kFormatBufferSize - 1));
  WriteFormat(c, L"%ls!", longWide.c_str());
  EXPECT_LE(c.wide.size(), static_cast<size_t>(kFormatBufferSize - 1));
  EXPECT_EQ(c.wide.find_first_not_of(L'b'), std::wstring::npos);
}

TEST(TextWriter, DebugWriterWritesBothWidthsToStandardError) {
  CTextWriterToDebug w;
  testing::internal::CaptureStderr();
  EXPECT_TRUE(w.Write("plain "));
  EXPECT_TRUE(w.Write(L"顔CG"));
  w.Flush();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "plain 顔CG");
}

TEST(Errors, ExceptionsCarryTheirFieldsByValue) {
  try {
    throw EDataFormatError{12, "Marker error"};
  } catch (const EDataFormatError& e) {
    EXPECT_EQ(e.position, 12);
    EXPECT_STREQ(e.what, "Marker error");
  }
  try {
    throw EIndexError{16, 17, "AnalysisDHT:Size Table Index over"};
  } catch (const EIndexError& e) {
    EXPECT_EQ(e.limit, 16);
    EXPECT_EQ(e.index, 17);
  }
  try {
    throw ENotSupported{0xC2, 5};
  } catch (const ENotSupported& e) {
    EXPECT_EQ(e.code, 0xC2);
    EXPECT_EQ(e.position, 5);
  }
  try {
    throw EMemoryError{100u, "Disconvert unit1"};
  } catch (const EMemoryError& e) {
    EXPECT_EQ(e.count, 100u);
  }
  try {
    throw EBufferError{"GetByte"};
  } catch (const EBufferError& e) {
    EXPECT_STREQ(e.where, "GetByte");
  }
}

}  // namespace
}  // namespace zfx
