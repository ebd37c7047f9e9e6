// The statistics window's event handlers, bound by name when the window's
// design is loaded. A component such as the placement store may take a
// handler's place and call the one it replaced, so handlers are held as
// replaceable values rather than fixed methods.
#pragma once

#include <functional>

namespace varnholt {

struct FormEvents {
  // The window is about to become visible (it is still hidden).
  std::function<void()> OnShow;
  // A close is asked for (a real close or the session's end); set the
  // argument to false to refuse it.
  std::function<void(bool& canClose)> OnCloseQuery;
  // The window is being destroyed; its native window still exists.
  std::function<void()> OnDestroy;
};

}  // namespace varnholt
