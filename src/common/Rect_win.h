// Our rectangle and the system's, one into the other.
#pragma once

#include <windows.h>

#include "common/Rect.h"

namespace varnholt {

inline Rect RectOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
inline RECT NativeRect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace varnholt
