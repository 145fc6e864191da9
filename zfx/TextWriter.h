// Writers of diagnostic text, and formatted writing into them.
#pragma once

#include "zfx/NonCopyable.h"

namespace zfx {

class CTextWriterBase : public CNonCopyable {
 public:
  ~CTextWriterBase() override = default;
  virtual bool Write(const char* text) = 0;
  virtual bool Write(const wchar_t* text) = 0;
  virtual void Flush() = 0;
};

// Diagnostic text for the developer.  There is no debugger channel here, so
// it goes to standard error; wide text is written as UTF-8.
class CTextWriterToDebug : public CTextWriterBase {
 public:
  ~CTextWriterToDebug() override = default;
  bool Write(const char* text) override;
  bool Write(const wchar_t* text) override;
  void Flush() override;
};

// Size in characters of each of the two process-wide format buffers.
inline constexpr int kFormatBufferSize = 0x4000;

// Formats into the process-wide buffer of the same width and passes it to
// writer.Write; returns what Write returned.  A text longer than the buffer
// is truncated.
bool WriteFormat(CTextWriterBase& writer, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
bool WriteFormat(CTextWriterBase& writer, const wchar_t* format, ...);

}  // namespace zfx
