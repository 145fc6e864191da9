// Finding the running editor's main window, for the single-instance check.
// Implemented by the window side of the editor.
#pragma once

#include <string_view>

namespace platform {

class IWindowFinder {
 public:
  virtual ~IWindowFinder() = default;
  // Looks for a top-level window whose title is exactly title. When there is
  // one: restores it when minimised, brings its last active pop-up (or the
  // window itself) to the front and returns true. False when there is none.
  virtual bool ActivateWindowByTitle(std::string_view title) = 0;
};

}  // namespace platform
