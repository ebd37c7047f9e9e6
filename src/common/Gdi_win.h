// Owners of GDI objects and device contexts, and the screen's dpi.
#pragma once

#include <windows.h>

#include "common/UniqueHandle.h"

namespace varnholt {

// A font, bitmap or other object that DeleteObject frees.
template <typename Handle>
using GdiObject = UniqueHandle<Handle, &::DeleteObject>;

inline void ReleaseScreenDc(HDC dc) { ReleaseDC(nullptr, dc); }
// The screen's device context (GetDC of no window).
using ScreenDc = UniqueHandle<HDC, ReleaseScreenDc>;
// A memory device context (CreateCompatibleDC).
using MemoryDc = UniqueHandle<HDC, &::DeleteDC>;

// Selects an object into a device context for as long as it lives, then
// puts back the object it replaced, so that both can be deleted afterwards.
// Declared after the owners of the context and the object, it goes first.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), replaced_(SelectObject(dc, object)) {}
  ~Selection() {
    if (replaced_ != nullptr && replaced_ != HGDI_ERROR) SelectObject(dc_, replaced_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  bool Selected() const { return replaced_ != nullptr && replaced_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ replaced_;
};

// The screen's dots per inch (LOGPIXELSY), 96 when the system cannot tell:
// the dpi of every window of a host that is not aware of monitors' own.
inline int ScreenDpi() {
  const ScreenDc screen(GetDC(nullptr));
  const int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

}  // namespace varnholt
