// The statistics window as the operator sees it on whatever screen this run
// has: at the display's scale (the prefix's LogPixels) and size (a virtual
// desktop of another size), ctest runs it at several of each. Whatever the
// screen, the whole report and the button are in sight, and the window
// opens whole on the screen or where the operator left it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "HostFixture.h"

namespace {

int Scaled(int designed, int dpi) { return MulDiv(designed, dpi, 96); }

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

RECT WorkArea() {
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

bool Inside(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

RECT ScreenRect(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

std::string Words(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

void PutPlacement(const std::string& name, const std::string& text) {
  HKEY key = nullptr;
  const std::string subkey = "Software\\wine_screens\\TfmMainForm";
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

// A normal rectangle as the operator left it on this screen, at this scale.
void StorePlacementAt(const RECT& r) {
  const std::string suffix =
      "(" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" + std::to_string(GetSystemMetrics(SM_CYSCREEN)) + ")";
  PutPlacement("FormVersion", "0");
  PutPlacement("ShowCmd", "1");
  PutPlacement("PixelsPerInch", std::to_string(ScreenDpi()));
  PutPlacement("NormPos" + suffix, Words(r));
  PutPlacement("NormPos", Words(r));
}

class Screens : public host::HostFixture {
 protected:
  // Contacts on six bands: the report's nine lines.
  void SetUp() override {
    HostFixture::SetUp();
    db.Execute("BEGIN");
    const char* bands[] = {"160M", "80M", "40M", "20M", "15M", "10M"};
    for (int i = 0; i < 600; ++i)
      db.Insert("UR" + std::to_string(i) + "X", bands[i % 6], "CW", "599 " + std::to_string(1000 + i % 97), "UR");
    db.Execute("COMMIT");
  }

  // Every line's last character inside the report box's formatting
  // rectangle, and the button whole on its strip inside the window.
  void ExpectAllInSight(HWND form, int dpi) {
    const HWND memo = host::ReportBox(form);
    const HWND button = host::RecalcButton(form);
    const HWND panel = GetParent(button);
    RECT format = {};
    SendMessageA(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    HDC dc = GetDC(memo);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(memo, WM_GETFONT, 0, 0)));
    TEXTMETRICA font = {};
    GetTextMetricsA(dc, &font);
    SelectObject(dc, old);
    ReleaseDC(memo, dc);

    const int lines = static_cast<int>(SendMessageA(memo, EM_GETLINECOUNT, 0, 0));
    EXPECT_EQ(lines, 9) << Report(form);
    for (int line = 0; line < lines; ++line) {
      const auto start = SendMessageA(memo, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
      const auto length = SendMessageA(memo, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
      const LRESULT at = SendMessageA(memo, EM_POSFROMCHAR, static_cast<WPARAM>(start + length - 1), 0);
      const int x = static_cast<short>(LOWORD(at)), y = static_cast<short>(HIWORD(at));
      EXPECT_TRUE(x >= format.left && x + font.tmMaxCharWidth <= format.right && y >= format.top &&
                  y + font.tmHeight <= format.bottom)
          << "line " << line + 1 << " ends at " << x << "," << y << ", outside " << Words(format) << " at " << dpi
          << " dpi";
    }

    RECT client = {};
    GetClientRect(form, &client);
    MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const RECT strip = ScreenRect(panel), pushButton = ScreenRect(button);
    EXPECT_TRUE(Inside(strip, pushButton)) << Words(pushButton) << " outside " << Words(strip);
    EXPECT_TRUE(Inside(client, strip)) << Words(strip) << " outside " << Words(client);
    EXPECT_EQ(strip.bottom - strip.top, Scaled(23, dpi));
    EXPECT_EQ(strip.right - pushButton.right, Scaled(3, dpi));
    EXPECT_LE(ScreenRect(memo).bottom, strip.top);
  }
};

TEST_F(Screens, TheWholeReportAndTheButtonAreInSight) {
  const HWND form = Run();
  const int dpi = ScreenDpi();
  std::printf("On a %dx%d screen at %d dpi\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), dpi);
  const RECT r = ScreenRect(form);
  EXPECT_EQ(r.right - r.left, Scaled(374, dpi));
  EXPECT_EQ(r.bottom - r.top, Scaled(196, dpi));
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(host::ReportBox(form), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72));
  ExpectAllInSight(form, dpi);
}

TEST_F(Screens, TheFirstRunOpensWholeOnTheScreen) {
  const HWND form = Run();
  const RECT r = ScreenRect(form), work = WorkArea();
  const int width = Scaled(374, ScreenDpi()), height = Scaled(196, ScreenDpi());
  EXPECT_TRUE(Inside(work, r)) << Words(r) << " outside " << Words(work);
  if (951 + width <= work.right) {
    EXPECT_EQ(Words(r), Words({951, 164, 951 + width, 164 + height}));  // as designed, where it fits
  } else {
    EXPECT_EQ(r.right, work.right);  // moved the least that brings it in
    EXPECT_EQ(r.top, 164);
  }
}

TEST_F(Screens, APlacementOnAMonitorThatIsGoneComesBackWhole) {
  const RECT work = WorkArea();
  const int width = Scaled(374, ScreenDpi()), height = Scaled(196, ScreenDpi());
  StorePlacementAt({work.right + 400, 100, work.right + 400 + width, 100 + height});
  const HWND form = Run();
  const RECT r = ScreenRect(form);
  EXPECT_EQ(Words(r), Words({work.right - width, 100, work.right, 100 + height}));
}

TEST_F(Screens, APlacementLeftPartlyOffTheScreenStays) {
  const RECT work = WorkArea();
  const int width = Scaled(374, ScreenDpi()), height = Scaled(196, ScreenDpi());
  const RECT left = {work.right - 120, 100, work.right - 120 + width, 100 + height};
  StorePlacementAt(left);
  EXPECT_EQ(Words(ScreenRect(Run())), Words(left));
}

// What a host aware of each monitor's dpi gets when the operator drags the
// window to a monitor of another scale.
TEST_F(Screens, AMonitorOfAnotherScaleRescalesEverything) {
  const HWND form = Run();
  const int dpi = ScreenDpi() == 96 ? 192 : 96;
  RECT suggested = {40, 30, 40 + Scaled(374, dpi), 30 + Scaled(196, dpi)};
  SendMessageA(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(Words(ScreenRect(form)), Words(suggested));
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(host::ReportBox(form), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72));
  ExpectAllInSight(form, dpi);
}

}  // namespace
