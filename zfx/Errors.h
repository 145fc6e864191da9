// The exception classes of the picture decoders, and the toolkit's error
// reporting.  The toolkit itself never throws; the JPEG decoder throws these
// to its own entry points, which catch them by reference.
#pragma once

#include <cstdint>

#include "zfx/Messages.h"

// The input ran out; `where` names the reading step ("GetByte", ...).
struct EBufferError {
  const char* where;
};

// The data is malformed at `position` (0 where none applies).
struct EDataFormatError {
  std::int32_t position;
  const char* what;
};

// An index reached its limit.
struct EIndexError {
  std::int32_t limit;
  std::int32_t index;
  const char* what;
};

// A construct the decoder does not handle; `code` is the marker value found.
struct ENotSupported {
  std::int32_t code;
  std::int32_t position;
};

// An allocation of `count` elements failed; `what` names the buffer.
struct EMemoryError {
  std::uint32_t count;
  const char* what;
};
