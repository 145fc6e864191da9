#include "zfx/WideText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using zfx::Utf8ToWide;
using zfx::WideToUtf8;

TEST(WideText, WideToUtf8EncodesEveryLengthAndReplacesNonCodePoints) {
  struct Case {
    std::wstring wide;
    std::string utf8;
  };
  for (const Case& c : {Case{L"A", "A"}, Case{L"\x00E9", "\xC3\xA9"}, Case{L"顔", "\xE9\xA1\x94"},
                        Case{std::wstring(1, static_cast<wchar_t>(0x1F600)), "\xF0\x9F\x98\x80"},
                        Case{std::wstring(1, static_cast<wchar_t>(0xD800)), "\xEF\xBF\xBD"},
                        Case{std::wstring(1, static_cast<wchar_t>(0x110000)), "\xEF\xBF\xBD"}}) {
    EXPECT_EQ(WideToUtf8(c.wide.c_str()), c.utf8);
  }
  EXPECT_EQ(WideToUtf8(nullptr), "");
}

TEST(WideText, WellFormedTextSurvivesTheRoundTrip) {
  const std::string text = "G1T \xE9\xA1\x94 \xC3\xA9 \xF0\x9F\x98\x80";
  EXPECT_EQ(WideToUtf8(Utf8ToWide(text).c_str()), text);
}

}  // namespace
