#include "mainform/FormLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "mainform/Report.h"

namespace varnholt {
namespace {

constexpr int kDpis[] = {96, 120, 144, 168, 192};

// The report box's font, 8 point Courier New, measured as its design units
// give it (ascent 1705, descent 615, advance 1229 of 2048 per em), each
// rounded up: no system draws it larger.
int EmPixels(int dpi) { return (8 * dpi + 36) / 72; }
int LineHeight(int dpi) {
  const int em = EmPixels(dpi);
  return (em * 1705 + 2047) / 2048 + (em * 615 + 2047) / 2048;
}
int CharWidth(int dpi) { return (EmPixels(dpi) * 1229 + 2047) / 2048; }

// Columns a line takes in the text box, which sets a tab stop every eight
// characters of a fixed-pitch font.
int Columns(const std::string& line) {
  int column = 0;
  for (char c : line) column = c == '\t' ? (column / 8 + 1) * 8 : column + 1;
  return column;
}

// The frames around the client area at 96 dpi, scaled with the dpi as a
// dpi-aware window gets them: the design's own system's, and the thicker
// ones of current systems.
struct Frames {
  const char* name;
  int side, caption;
};
constexpr Frames kFrames[] = {{"the design's frames", 4, 19}, {"current frames", 8, 23}};

// Six bands, numbers as wide as a big contest's.
std::string SixBandReport() {
  std::vector<TStatistic> rows;
  for (const char* band : {"160M", "80M", "40M", "20M", "15M", "10M"}) rows.push_back({band, 20000, 30000, 999});
  return StatisticsText(rows);
}

TEST(FormLayoutTest, TheWholeReportAndButtonAtEveryScale) {
  const std::string report = SixBandReport();
  int lines = 0, widest = 0;
  for (std::size_t start = 0; start <= report.size(); ++lines) {
    const std::size_t end = std::min(report.find("\r\n", start), report.size());
    widest = std::max(widest, Columns(report.substr(start, end - start)));
    start = end + 2;
  }
  ASSERT_EQ(lines, 9);
  for (const Frames& frames : kFrames) {
    for (int dpi : kDpis) {
      SCOPED_TRACE(std::string(frames.name) + " at " + std::to_string(dpi) + " dpi");
      const Rect window = DesignedWindowRect(dpi);
      EXPECT_EQ(window.left, 951);
      EXPECT_EQ(window.top, 164);
      const int side = ScaleToDpi(frames.side, dpi);
      const ControlRects r = LayOutControls(dpi, window.Width() - 2 * side,
                                            window.Height() - 2 * side - ScaleToDpi(frames.caption, dpi));
      // The report box: its sunken edge and, at each side, a margin of a
      // character around the text.
      const int edge = ScaleToDpi(2, dpi);
      EXPECT_GE(r.memo.Height() - 2 * edge, lines * LineHeight(dpi));
      EXPECT_GE(r.memo.Width() - 2 * edge - 2 * CharWidth(dpi), widest * CharWidth(dpi));
      // Strip below the box, the button whole on it at its designed gap.
      EXPECT_EQ(r.memo.bottom, r.panel.top);
      EXPECT_EQ(r.panel.Width(), r.memo.Width());
      EXPECT_EQ(r.panel.Height(), ScaleToDpi(23, dpi));
      EXPECT_GE(r.button.left, 0);
      EXPECT_GE(r.button.top, 0);
      EXPECT_LE(r.button.bottom, r.panel.Height());
      EXPECT_EQ(r.panel.Width() - r.button.right, ScaleToDpi(3, dpi));
      EXPECT_GT(r.button.Width(), ButtonMetricsAt(dpi).glyph);
    }
  }
  EXPECT_EQ(DesignedWindowRect(96), (Rect{951, 164, 951 + 374, 164 + 196}));
  EXPECT_EQ(DesignedWindowRect(144), (Rect{951, 164, 951 + 561, 164 + 294}));
  EXPECT_EQ(ButtonMetricsAt(144).glyph, 24);
}

TEST(FormLayoutTest, ScalingRoundsAsTheSystemDoes) {
  EXPECT_EQ(ScaleToDpi(3, 144), 5);  // 4.5
  EXPECT_EQ(ScaleToDpi(1, 120), 1);  // 1.25
  EXPECT_EQ(ScaleToDpi(-3, 144), -5);
  EXPECT_EQ(ScaleToDpi(374, 96), 374);
}

// A screen with a task bar along its bottom edge, at `left`.
Monitor Screen(int left, int width, int height) {
  return {{left, 0, left + width, height}, {left, 0, left + width, height - 40}};
}
Rect At(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }
constexpr int kBar = 23;

TEST(FormLayoutTest, TheDesignedRectangleOpensWholeOnSmallScreens) {
  const Rect designed = DesignedWindowRect(96);
  EXPECT_EQ(WithinReach(designed, kBar, PlacedBy::Design, {Screen(0, 1920, 1080)}), designed);
  EXPECT_EQ(WithinReach(designed, kBar, PlacedBy::Design, {Screen(0, 1280, 1024)}), At(906, 164, 374, 196));
  EXPECT_EQ(WithinReach(designed, kBar, PlacedBy::Design, {Screen(0, 1024, 768)}), At(650, 164, 374, 196));
  EXPECT_EQ(WithinReach(designed, kBar, PlacedBy::Design, {Screen(0, 800, 600)}), At(426, 164, 374, 196));
  // 200 % on 800 x 600.
  EXPECT_EQ(WithinReach(DesignedWindowRect(192), kBar, PlacedBy::Design, {Screen(0, 800, 600)}),
            At(52, 164, 748, 392));
  // Larger than the work area: the title bar at its top left.
  EXPECT_EQ(WithinReach(At(951, 164, 900, 700), kBar, PlacedBy::Design, {Screen(0, 800, 600)}),
            At(0, 0, 900, 700));
}

TEST(FormLayoutTest, AStoredPlacementStaysUnlessItsMonitorIsGone) {
  const std::vector<Monitor> docked = {Screen(0, 1920, 1080), Screen(1920, 1920, 1080)};
  const std::vector<Monitor> undocked = {Screen(0, 1920, 1080)};
  const Rect onSecond = At(2500, 300, 374, 196);
  EXPECT_EQ(WithinReach(onSecond, kBar, PlacedBy::Operator, docked), onSecond);
  EXPECT_EQ(WithinReach(onSecond, kBar, PlacedBy::Operator, undocked), At(1546, 300, 374, 196));
  // A second monitor to the left, at negative coordinates, gone.
  EXPECT_EQ(WithinReach(At(-1500, 900, 374, 196), kBar, PlacedBy::Operator, undocked), At(0, 844, 374, 196));
  // Left partly off screen on a monitor that is there, with title bar to spare.
  const Rect partly = At(1800, 200, 374, 196);
  EXPECT_EQ(WithinReach(partly, kBar, PlacedBy::Operator, undocked), partly);
  EXPECT_EQ(WithinReach(At(-300, 1000, 374, 196), kBar, PlacedBy::Operator, undocked), At(-300, 1000, 374, 196));
  // Only a sliver of the title bar, or only the frame below it, is in sight.
  EXPECT_EQ(WithinReach(At(1910, 200, 374, 196), kBar, PlacedBy::Operator, undocked), At(1546, 200, 374, 196));
  EXPECT_EQ(WithinReach(At(100, -150, 374, 196), kBar, PlacedBy::Operator, undocked), At(100, 0, 374, 196));
  // Off every monitor: the nearest one takes it, above or below the other.
  const std::vector<Monitor> stacked = {Screen(0, 1280, 1024), {{0, -1024, 1280, 0}, {0, -1024, 1280, -40}}};
  const std::vector<Monitor> sideBySide = {Screen(0, 1280, 1024), {{1280, 500, 2560, 1524}, {1280, 500, 2560, 1484}}};
  EXPECT_EQ(WithinReach(At(2000, 1600, 374, 196), kBar, PlacedBy::Operator, sideBySide), At(2000, 1288, 374, 196));
  EXPECT_EQ(WithinReach(At(2000, 1600, 374, 196), kBar, PlacedBy::Operator, stacked), At(906, 788, 374, 196));
  EXPECT_EQ(WithinReach(onSecond, kBar, PlacedBy::Operator, {}), onSecond);
}

}  // namespace
}  // namespace varnholt
