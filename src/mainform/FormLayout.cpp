#include "mainform/FormLayout.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "resources/MainFormDesign.h"

namespace varnholt {

namespace {

constexpr int kDesignDpi = 96;

constexpr const design::Component& kForm = design::Find("fmMainForm");
constexpr const design::Component& kPanel = design::Find("Panel1");
constexpr const design::Component& kButton = design::Find("BitBtn1");
constexpr const design::Component& kGlyph = design::Find("ImageList1");
// The button keeps this distance to the strip's right edge, measured in the
// designed client area; the strip spans the client area's width.
constexpr int kButtonRightGap = design::kClientWidth - (kButton.left + kButton.width);
static_assert(kButtonRightGap >= 0, "the design's button lies inside its client area");
// The owner-drawn button's glyph-to-caption gap and its focus frame's inset.
constexpr int kGlyphSpacing = 4;
constexpr int kFocusInset = 4;

Rect Intersection(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) return {};
  return r;
}

std::int64_t Area(const Rect& r) { return std::int64_t{r.Width()} * r.Height(); }

bool Contains(const Rect& outer, const Rect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// How far apart two rectangles lie, squared (0 when they touch or overlap).
std::int64_t Distance(const Rect& a, const Rect& b) {
  const std::int64_t dx = std::max<std::int64_t>({0, std::int64_t{b.left} - a.right, std::int64_t{a.left} - b.right});
  const std::int64_t dy = std::max<std::int64_t>({0, std::int64_t{b.top} - a.bottom, std::int64_t{a.top} - b.bottom});
  return dx * dx + dy * dy;
}

// The monitor the window is most on, or else the one nearest to it.
const Monitor& NearestMonitor(const Rect& window, const std::vector<Monitor>& monitors) {
  const Monitor* best = &monitors.front();
  std::int64_t bestArea = -1, bestDistance = std::numeric_limits<std::int64_t>::max();
  for (const Monitor& m : monitors) {
    const std::int64_t area = Area(Intersection(window, m.bounds));
    const std::int64_t distance = Distance(window, m.bounds);
    if (area > bestArea || (area == 0 && bestArea == 0 && distance < bestDistance)) {
      best = &m;
      bestArea = area;
      bestDistance = distance;
    }
  }
  return *best;
}

// One axis: the window's start moved the least that puts [start, start +
// length) inside [low, high), or to `low` when it is longer than that.
int Clamp(int start, int length, int low, int high) {
  if (length >= high - low) return low;
  return std::min(std::max(start, low), high - length);
}

bool TitleBarInReach(const Rect& window, int titleBarHeight, const std::vector<Monitor>& monitors) {
  const int height = std::max(titleBarHeight, 1);
  const Rect bar{window.left, window.top, window.right, window.top + height};
  // A piece to take hold of: as wide as the bar is high, and half its height.
  const int width = std::min(height, std::max(window.Width(), 1));
  for (const Monitor& m : monitors) {
    const Rect seen = Intersection(bar, m.work);
    if (seen.Width() >= width && 2 * seen.Height() >= height) return true;
  }
  return false;
}

}  // namespace

int ScaleToDpi(int designed, int dpi) {
  const std::int64_t product = std::int64_t{designed} * dpi;
  const std::int64_t half = kDesignDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi : -((-product + half) / kDesignDpi));
}

Rect DesignedWindowRect(int dpi) {
  return {kForm.left, kForm.top, kForm.left + ScaleToDpi(kForm.width, dpi),
          kForm.top + ScaleToDpi(kForm.height, dpi)};
}

ControlRects LayOutControls(int dpi, int clientWidth, int clientHeight) {
  const int width = std::max(clientWidth, 0), height = std::max(clientHeight, 0);
  ControlRects r;
  const int strip = kPanel.align == design::Align::Bottom ? std::min(ScaleToDpi(kPanel.height, dpi), height) : 0;
  r.panel = {0, height - strip, width, height};
  r.memo = {0, 0, width, height - strip};

  const int top = ScaleToDpi(kButton.top, dpi);
  const int bottom = ScaleToDpi(kButton.top + kButton.height, dpi);
  const int buttonWidth = ScaleToDpi(kButton.left + kButton.width, dpi) - ScaleToDpi(kButton.left, dpi);
  if (kButton.anchors & design::kAnchorRight) {
    const int right = width - ScaleToDpi(kButtonRightGap, dpi);
    r.button = {right - buttonWidth, top, right, bottom};
  } else {
    const int left = ScaleToDpi(kButton.left, dpi);
    r.button = {left, top, left + buttonWidth, bottom};
  }
  return r;
}

ButtonMetrics ButtonMetricsAt(int dpi) {
  return {ScaleToDpi(kGlyph.width, dpi), ScaleToDpi(kGlyphSpacing, dpi), ScaleToDpi(kFocusInset, dpi)};
}

Rect WithinReach(const Rect& window, int titleBarHeight, PlacedBy placedBy, const std::vector<Monitor>& monitors) {
  if (monitors.empty()) return window;
  if (placedBy == PlacedBy::Operator && TitleBarInReach(window, titleBarHeight, monitors)) return window;
  const Rect& work = NearestMonitor(window, monitors).work;
  if (Contains(work, window)) return window;
  const int left = Clamp(window.left, window.Width(), work.left, work.right);
  const int top = Clamp(window.top, window.Height(), work.top, work.bottom);
  return {left, top, left + window.Width(), top + window.Height()};
}

}  // namespace varnholt
