#include "zfx/TextWriter.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

namespace zfx {

namespace {

char g_narrowFormatBuffer[kFormatBufferSize] = {};
wchar_t g_wideFormatBuffer[kFormatBufferSize] = {};

// UTF-8 of a wide text whose characters are code points; values that are no
// code point (surrogates, beyond U+10FFFF) become U+FFFD.
std::string ToUtf8(const wchar_t* text) {
  std::string out;
  for (; *text != L'\0'; ++text) {
    std::uint32_t c = static_cast<std::uint32_t>(*text);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

bool CTextWriterToDebug::Write(const char* text) {
  if (text != nullptr) std::fputs(text, stderr);
  return true;
}

bool CTextWriterToDebug::Write(const wchar_t* text) {
  if (text != nullptr) std::fputs(ToUtf8(text).c_str(), stderr);
  return true;
}

void CTextWriterToDebug::Flush() {}

bool WriteFormat(CTextWriterBase& writer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  // vsnprintf truncates on its own and always terminates.
  std::vsnprintf(g_narrowFormatBuffer, kFormatBufferSize, format, args);
  va_end(args);
  g_narrowFormatBuffer[kFormatBufferSize - 1] = '\0';
  return writer.Write(g_narrowFormatBuffer);
}

bool WriteFormat(CTextWriterBase& writer, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  // vswprintf reports an over-long text as a failure and leaves what it
  // wrote unspecified: keep the terminated prefix, or nothing.
  g_wideFormatBuffer[0] = L'\0';
  std::vswprintf(g_wideFormatBuffer, kFormatBufferSize, format, args);
  va_end(args);
  g_wideFormatBuffer[kFormatBufferSize - 1] = L'\0';
  return writer.Write(g_wideFormatBuffer);
}

}  // namespace zfx
