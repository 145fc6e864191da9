#include "zfx/TextWriter.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

#include "zfx/WideText.h"

namespace zfx {

namespace {

char g_narrowFormatBuffer[kFormatBufferSize] = {};
wchar_t g_wideFormatBuffer[kFormatBufferSize] = {};

}  // namespace

bool CTextWriterToDebug::Write(const char* text) {
  if (text != nullptr) std::fputs(text, stderr);
  return true;
}

bool CTextWriterToDebug::Write(const wchar_t* text) {
  if (text != nullptr) std::fputs(WideToUtf8(text).c_str(), stderr);
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
