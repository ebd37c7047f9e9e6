// Where the statistics window and its controls go: the design's sizes,
// given in pixels at 96 dots per inch, scaled for the dpi the window is made
// at, and the window kept where the operator can see and drag it. Plain
// integer arithmetic; the window only asks the system for the dpi, the client
// size and the monitors, and moves its windows to what comes out.
#pragma once

#include <vector>

#include "common/Rect.h"

namespace varnholt {

// A designed length at `dpi`, rounded to the nearest pixel as the system's
// own scaling (MulDiv) rounds, halves away from zero.
int ScaleToDpi(int designed, int dpi);

// The window as designed, at `dpi`: its outer size scaled, its position the
// designed one. Positions are screen coordinates, which do not scale: the
// designed left and top scaled as well would put the larger window further
// off the right and bottom edges of the same screen.
Rect DesignedWindowRect(int dpi);

// The controls in a client area of `clientWidth` x `clientHeight`: the strip
// along the bottom edge, the button on it (in the strip's own coordinates)
// at its designed distance from the right edge, the report box filling the
// rest. Edges are scaled rather than sizes, so that the button's bottom is
// the strip's at every dpi.
struct ControlRects {
  Rect panel;
  Rect button;
  Rect memo;
};
ControlRects LayOutControls(int dpi, int clientWidth, int clientHeight);

// The button's glyph, its gap to the caption and the focus frame's inset.
struct ButtonMetrics {
  int glyph;
  int spacing;
  int focusInset;
};
ButtonMetrics ButtonMetricsAt(int dpi);

// A monitor as the system reports it: its whole area and its work area
// (without task bars), in screen coordinates.
struct Monitor {
  Rect bounds;
  Rect work;
};

// Who put the window where it is.
enum class PlacedBy {
  Design,    // the designed rectangle: no stored placement was applied
  Operator,  // a placement the operator left and the store brought back
};

// Where the window opens so that the operator can see and drag it. The
// designed rectangle opens whole inside the work area of its nearest monitor
// (moved the least distance that takes it there). A stored placement stays
// as the operator left it, partly off screen or not, as long as a piece of
// its title bar (`titleBarHeight` high, from its top edge) at least as wide
// as the bar is high lies in some work area; otherwise it belongs to a
// monitor that is gone and moves whole into the nearest one's work area. A
// window larger than that work area keeps its size and opens at the work
// area's top left, so that its title bar is in reach. Without monitors the
// window stays where it is.
Rect WithinReach(const Rect& window, int titleBarHeight, PlacedBy placedBy, const std::vector<Monitor>& monitors);

}  // namespace varnholt
