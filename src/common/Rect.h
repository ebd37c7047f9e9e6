// A rectangle in screen or window coordinates, as the window's layout and
// its placement store both speak of it: left and top inside, right and
// bottom just outside.
#pragma once

namespace varnholt {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
};

}  // namespace varnholt
