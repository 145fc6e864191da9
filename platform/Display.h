// The primary screen, for the start-up display check. Implemented by the
// window side of the editor.
#pragma once

namespace platform {

struct DisplayMetrics {
  int bitsPerPixel = 0;  // 0 or less when the depth cannot be told
  int width = 0;
  int height = 0;
};

class IDisplay {
 public:
  virtual ~IDisplay() = default;
  virtual DisplayMetrics PrimaryScreen() = 0;
};

}  // namespace platform
