// The statistics window's placement in the registry, as a host sees it: the
// plug-in is driven through its entry points and the message loop, and the
// store's values are read and edited straight in this user's registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "DllHost.h"

namespace {

using host::Record;

// The store is named after the host's executable, this test program, and so
// is the error box: its file name up to the first ".", letters after the
// first in lower case, the first one as it is.
constexpr char kKeyPath[] = "Software\\wine_placement";
constexpr char kSubkey[] = "Software\\wine_placement\\TfmMainForm";
constexpr char kBoxCaption[] = "wine_placement";

// The window's designed rectangle.
constexpr RECT kDesigned = {951, 164, 951 + 374, 164 + 196};

// One registry value as stored: its type and its raw bytes.
struct Raw {
  DWORD type = REG_NONE;
  std::string bytes;
  bool operator==(const Raw& other) const { return type == other.type && bytes == other.bytes; }
};
using Store = std::map<std::string, Raw>;

std::ostream& operator<<(std::ostream& out, const Raw& raw) {
  return out << "type " << raw.type << " \"" << raw.bytes << "\"";
}

// A REG_SZ value as a write pass stores it: the text and its terminating zero.
Raw Sz(const std::string& text) { return {REG_SZ, text + std::string(1, '\0')}; }

// Every value under the store's subkey; empty when the subkey is missing.
Store ReadStore() {
  Store store;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSubkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return store;
  DWORD count = 0, maxName = 0, maxData = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName, &maxData,
                   nullptr, nullptr);
  for (DWORD i = 0; i < count; ++i) {
    std::vector<char> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataLength = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    if (RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength) !=
        ERROR_SUCCESS) {
      ADD_FAILURE() << "cannot enumerate value " << i;
      continue;
    }
    store[std::string(name.data(), nameLength)] = {
        type, std::string(reinterpret_cast<const char*>(data.data()), dataLength)};
  }
  RegCloseKey(key);
  return store;
}

// The text of a REG_SZ value, up to its first zero; "<missing>" or
// "<type N>" when it is not a string value.
std::string Text(const Store& store, const std::string& name) {
  const auto it = store.find(name);
  if (it == store.end()) return "<missing>";
  if (it->second.type != REG_SZ) return "<type " + std::to_string(it->second.type) + ">";
  return it->second.bytes.substr(0, it->second.bytes.find('\0'));
}

void Put(const std::string& name, DWORD type, const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSubkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}
void PutText(const std::string& name, const std::string& text) { Put(name, REG_SZ, text + '\0'); }
void PutDword(const std::string& name, DWORD value) {
  Put(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

// Subkey and value counts of the key path; false when it does not exist.
bool KeyPathCounts(DWORD& subkeys, DWORD& values) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                   nullptr, nullptr);
  RegCloseKey(key);
  return true;
}

std::string Words(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}
std::string OnScreen(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return Words(r);
}
WINDOWPLACEMENT PlacementOf(HWND window) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  GetWindowPlacement(window, &placement);
  return placement;
}
// The normal rectangle, as the store reads and writes it.
std::string Normal(HWND window) { return Words(PlacementOf(window).rcNormalPosition); }

std::string ScreenSuffix() {
  return "(" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" + std::to_string(GetSystemMetrics(SM_CYSCREEN)) +
         ")";
}

int ScreenPixelsPerInch() {
  HDC screen = GetDC(nullptr);
  const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return ppi;
}

class Placement : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    db = new host::LogDatabase;
    db->CreateLogTable();
    db->Insert("UR5ABC", "20M", "CW", "599 0001", "UR");
  }
  static void TearDownTestSuite() {
    delete db;
    db = nullptr;
    RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
  }
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
    DWORD subkeys = 0, values = 0;
    ASSERT_FALSE(KeyPathCounts(subkeys, values)) << "the store's key is left over";
  }
  void TearDown() override {
    if (form_ != nullptr && IsWindow(form_)) EndMaximised(form_);
  }

  // The host opens the window, with its log connection in the record.
  HWND Run() {
    Record r;
    r.Connection(db->Connection()).Text(Record::kLogTableName, "Log");
    r.Text(Record::kStationLabel, "DL5XY").Text(Record::kStationPrefix, "DL");
    form_ = plugin.Run(0, r.data());
    return form_;
  }
  // _Release, then the host's loop runs until the window is gone.
  void End(HWND form) {
    plugin.Release();
    EXPECT_TRUE(host::PumpUntil([&] { return !IsWindow(form); })) << "the released window stays";
  }
  // Wine's X11 driver ends the process (BadWindow in X_UnmapWindow) when a
  // maximised window is hidden after another window of the process was
  // minimised and destroyed; so maximised windows are restored before they go.
  void EndMaximised(HWND form) {
    if (IsZoomed(form)) ShowWindow(form, SW_RESTORE);
    End(form);
  }
  // A real close; the store has written by the time the message returns.
  void Close(HWND form) { SendMessageA(form, WM_CLOSE, 0, 0); }
  void WaitDestroyed(HWND form) {
    EXPECT_TRUE(host::PumpUntil([&] { return !IsWindow(form); })) << "the closed window stays";
  }
  // Opens the window on the stored data and releases it again.
  Store RoundTrip() {
    End(Run());
    return ReadStore();
  }

  void ExpectOpenNormalAt(HWND form, const std::string& rect) {
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_FALSE(IsZoomed(form));
    EXPECT_FALSE(IsIconic(form));
    EXPECT_EQ(OnScreen(form), rect);
  }

  host::Plugin& plugin = host::LoadPlugin();
  host::ErrorBoxes boxes;
  HWND form_ = nullptr;
  const std::string suffix = ScreenSuffix();
  static host::LogDatabase* db;
};
host::LogDatabase* Placement::db = nullptr;

// --- what a run writes ----------------------------------------------------

TEST_F(Placement, FirstRunOpensAsDesignedAndLeavesOnlyTheEmptyKeyPath) {
  const HWND form = Run();
  ExpectOpenNormalAt(form, Words(kDesigned));

  DWORD subkeys = 99, values = 99;
  ASSERT_TRUE(KeyPathCounts(subkeys, values)) << "the read pass did not create the key path";
  EXPECT_EQ(subkeys, 0u);
  EXPECT_EQ(values, 0u);
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Placement, ReleaseWritesTheTenTexts) {
  const HWND form = Run();
  const WINDOWPLACEMENT placement = PlacementOf(form);
  End(form);

  const std::string minMax = std::to_string(placement.ptMinPosition.x) + "," +
                             std::to_string(placement.ptMinPosition.y) + "," +
                             std::to_string(placement.ptMaxPosition.x) + "," +
                             std::to_string(placement.ptMaxPosition.y);
  const std::string rect = Words(kDesigned);
  const Store expected = {
      {"FormVersion", Sz("0")},
      {"Flags", Sz(std::to_string(placement.flags))},
      {"ShowCmd", Sz("1")},
      {"PixelsPerInch", Sz(std::to_string(ScreenPixelsPerInch()))},
      {"MinMaxPos" + suffix, Sz(minMax)},
      {"MinMaxPos", Sz(minMax)},
      {"NormPos" + suffix, Sz(rect)},
      {"NormPos", Sz(rect)},
      {"Visible", Sz("1")},
      {"CurrentBand", Sz("0")},
  };
  EXPECT_EQ(ReadStore(), expected);

  DWORD subkeys = 0, values = 0;
  ASSERT_TRUE(KeyPathCounts(subkeys, values));
  EXPECT_EQ(subkeys, 1u);
  EXPECT_EQ(values, 0u);
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Placement, CloseWritesNotVisibleAndDestructionWritesNothingMore) {
  const HWND form = Run();
  Close(form);
  Store written = ReadStore();
  EXPECT_EQ(written.size(), 10u);
  EXPECT_EQ(Text(written, "Visible"), "0");
  EXPECT_EQ(Text(written, "NormPos"), Words(kDesigned));

  // Edited between the close and the destruction: must survive it.
  PutText("Visible", "edited");
  PutText("NormPos", "1,2,3,4");
  written = ReadStore();
  WaitDestroyed(form);
  EXPECT_EQ(ReadStore(), written);
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Placement, SessionEndQueryWritesAndALaterReleaseWritesNothingMore) {
  const HWND form = Run();
  EXPECT_EQ(SendMessageA(form, WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_TRUE(IsWindowVisible(form));
  EXPECT_EQ(Text(ReadStore(), "Visible"), "0");

  PutText("ShowCmd", "edited");
  const Store written = ReadStore();
  End(form);
  EXPECT_EQ(ReadStore(), written);
}

// --- where the window reopens ---------------------------------------------

TEST_F(Placement, MovedAndSizedWindowReopensThere) {
  HWND form = Run();
  SetWindowPos(form, nullptr, 100, 50, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
  End(form);
  const Store store = ReadStore();
  EXPECT_EQ(Text(store, "NormPos"), "100,50,500,350");
  EXPECT_EQ(Text(store, "NormPos" + suffix), "100,50,500,350");

  form = Run();
  ExpectOpenNormalAt(form, "100,50,500,350");
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Placement, ShownAgainWhileVisibleReadsNothing) {
  const HWND form = Run();
  PutText("NormPos", "100,50,500,350");
  EXPECT_EQ(Run(), form);
  EXPECT_EQ(OnScreen(form), Words(kDesigned));
}

TEST_F(Placement, ReleasedMinimisedReopensNormalAtItsLastNormalRectangle) {
  HWND form = Run();
  SetWindowPos(form, nullptr, 200, 100, 380, 220, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageA(form, WM_SYSCOMMAND, 0xF060, 0);  // the title bar's close button
  ASSERT_TRUE(IsIconic(form));
  End(form);
  const Store store = ReadStore();
  EXPECT_EQ(Text(store, "ShowCmd"), "2");
  EXPECT_EQ(Text(store, "NormPos"), "200,100,580,320");

  form = Run();
  ExpectOpenNormalAt(form, "200,100,580,320");
}

TEST_F(Placement, ShowCmdThreeOpensMaximised) {
  PutText("ShowCmd", "3");
  const HWND form = Run();
  EXPECT_TRUE(IsWindowVisible(form));
  EXPECT_TRUE(IsZoomed(form));
  EXPECT_EQ(Normal(form), Words(kDesigned));
  // Written while maximised, the state is kept.
  SendMessageA(form, WM_QUERYENDSESSION, 0, 0);
  EXPECT_EQ(Text(ReadStore(), "ShowCmd"), "3");
}

TEST_F(Placement, OtherShowCmdsOpenNormal) {
  for (const char* showCmd : {"0", "1", "4", "8", "-3", "max", " 3x", ""}) {
    SCOPED_TRACE(std::string("ShowCmd \"") + showCmd + "\"");
    RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
    PutText("ShowCmd", showCmd);
    const HWND form = Run();
    ExpectOpenNormalAt(form, Words(kDesigned));
    End(form);
  }
}

TEST_F(Placement, SuffixedNormPosWinsAtItsScreenSizeOnly) {
  PutText("NormPos" + suffix, "120,80,520,380");
  PutText("NormPos", "300,200,700,500");
  PutText("NormPos(1x1)", "10,10,400,300");
  HWND form = Run();
  ExpectOpenNormalAt(form, "120,80,520,380");
  End(form);

  // Another screen size's pair is kept; the plain pair follows the last write.
  Store store = ReadStore();
  EXPECT_EQ(store.size(), 11u);
  EXPECT_EQ(Text(store, "NormPos(1x1)"), "10,10,400,300");
  EXPECT_EQ(Text(store, "NormPos"), "120,80,520,380");

  // A screen size seen for the first time takes the plain pair.
  RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
  PutText("NormPos(1x1)", "10,10,400,300");
  PutText("NormPos", "300,200,700,500");
  form = Run();
  ExpectOpenNormalAt(form, "300,200,700,500");
}

TEST_F(Placement, OtherPixelsPerInchKeepsTheDesignedRectangleButAppliesTheState) {
  PutText("PixelsPerInch", std::to_string(ScreenPixelsPerInch() + 24));
  PutText("NormPos", "100,50,500,350");
  PutText("ShowCmd", "3");
  const HWND form = Run();
  EXPECT_TRUE(IsZoomed(form));
  EXPECT_EQ(Normal(form), Words(kDesigned));
}

TEST_F(Placement, SamePixelsPerInchAppliesThePosition) {
  PutText("PixelsPerInch", std::to_string(ScreenPixelsPerInch()));
  PutText("NormPos", "100,50,500,350");
  ExpectOpenNormalAt(Run(), "100,50,500,350");
}

TEST_F(Placement, MissingNormPosWordsComeFromTheCurrentBounds) {
  // Right and bottom are the designed left + width and top + height, not
  // the stored left + width.
  PutText("NormPos", "900,100");
  HWND form = Run();
  ExpectOpenNormalAt(form, "900,100,1325,360");
  End(form);
  EXPECT_EQ(Text(ReadStore(), "NormPos"), "900,100,1325,360");

  // A window wider than the screen is cut to the largest size the system
  // allows a window to be dragged to.
  RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
  PutText("NormPos", "10,20");
  form = Run();
  const LONG right = std::min<LONG>(kDesigned.right, 10 + GetSystemMetrics(SM_CXMAXTRACK));
  const std::string expected = "10,20," + std::to_string(right) + "," + std::to_string(kDesigned.bottom);
  EXPECT_EQ(Normal(form), expected);
  EXPECT_FALSE(IsZoomed(form));
  End(form);
  EXPECT_EQ(Text(ReadStore(), "NormPos"), expected);

  // Words that do not parse are missing words too.
  RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
  PutText("NormPos", " ,, 30 x,700");
  ExpectOpenNormalAt(Run(), "30,164,700,360");
}

TEST_F(Placement, NormPosWithoutWidthAppliesNothing) {
  PutText("NormPos", "300,300,300,400");
  PutText("MinMaxPos", "1,2,3,4");
  ExpectOpenNormalAt(Run(), Words(kDesigned));
}

TEST_F(Placement, OlderFormVersionAppliesNothingAndIsRewritten) {
  PutText("FormVersion", "-1");
  PutText("NormPos", "100,50,500,350");
  PutText("ShowCmd", "3");
  PutText("CurrentBand", "40M");
  const HWND form = Run();
  ExpectOpenNormalAt(form, Words(kDesigned));
  End(form);

  const Store store = ReadStore();
  EXPECT_EQ(Text(store, "FormVersion"), "0");
  EXPECT_EQ(Text(store, "CurrentBand"), "0");
  EXPECT_EQ(Text(store, "NormPos"), Words(kDesigned));
  EXPECT_EQ(Text(store, "ShowCmd"), "1");
  EXPECT_TRUE(boxes.Seen().empty());
}

// --- values in odd shapes --------------------------------------------------

TEST_F(Placement, FlagsOfAnotherTypeIsReportedAndLeavesTheStoreAlone) {
  PutDword("Flags", 0);
  PutText("NormPos", "100,50,500,350");
  PutText("ShowCmd", "3");
  const Store before = ReadStore();

  const HWND form = Run();
  ASSERT_EQ(boxes.Seen().size(), 1u);
  // No "." is added: the message ends in "'", which sorts before ".".
  EXPECT_EQ(boxes.Seen()[0].text, "Invalid data type for 'Flags'");
  EXPECT_EQ(boxes.Seen()[0].caption, kBoxCaption);
  // The pass ended there: neither position nor state was applied ...
  ExpectOpenNormalAt(form, Words(kDesigned));
  // ... and the window's own show handling still re-scanned the log.
  EXPECT_NE(host::WindowText(host::ReportBox(form)).find(" Score: 3*1=3"), std::string::npos)
      << host::WindowText(host::ReportBox(form));

  End(form);
  EXPECT_EQ(ReadStore(), before);
  EXPECT_EQ(boxes.Seen().size(), 1u);

  // The next window meets the same value again.
  End(Run());
  EXPECT_EQ(boxes.Seen().size(), 2u);
  EXPECT_EQ(ReadStore(), before);
}

TEST_F(Placement, CurrentBandOfAnotherTypeIsReportedAndThenRewrittenAsText) {
  PutDword("CurrentBand", 7);
  PutText("NormPos", "100,50,500,350");
  PutText("ShowCmd", "3");
  const HWND form = Run();
  ASSERT_EQ(boxes.Seen().size(), 1u);
  EXPECT_EQ(boxes.Seen()[0].text, "Invalid data type for 'CurrentBand'");
  EXPECT_EQ(boxes.Seen()[0].caption, kBoxCaption);
  EXPECT_TRUE(IsZoomed(form));
  EXPECT_EQ(Normal(form), "100,50,500,350");
  EXPECT_NE(host::WindowText(host::ReportBox(form)).find(" Score: 3*1=3"), std::string::npos);

  EndMaximised(form);
  const Store store = ReadStore();
  EXPECT_EQ(store.size(), 10u);
  EXPECT_EQ(store.at("CurrentBand"), Sz("0"));
  EXPECT_EQ(Text(store, "NormPos"), "100,50,500,350");
  for (const auto& [name, raw] : store) EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ)) << name;
  EXPECT_EQ(boxes.Seen().size(), 1u);
}

TEST_F(Placement, CurrentBandTextSurvivesARoundTrip) {
  for (const std::string band : {"40M", "  160m; CW ,", "0000", "-5", ""}) {
    SCOPED_TRACE("CurrentBand \"" + band + "\"");
    RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
    PutText("CurrentBand", band);
    EXPECT_EQ(RoundTrip().at("CurrentBand"), Sz(band));
    // And again from what the store wrote itself.
    EXPECT_EQ(RoundTrip().at("CurrentBand"), Sz(band));
  }
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Placement, OddStringDataIsReadSafely) {
  // Without a terminating zero.
  Put("NormPos", REG_SZ, "100,50,500,350");
  Put("CurrentBand", REG_SZ, "20M");
  // Cut at the first zero.
  Put("ShowCmd", REG_SZ, std::string("3\0" "9999", 6));
  HWND form = Run();
  EXPECT_TRUE(IsZoomed(form));
  EXPECT_EQ(Normal(form), "100,50,500,350");
  EndMaximised(form);
  EXPECT_EQ(ReadStore().at("CurrentBand"), Sz("20M"));

  // Empty data, an expandable string (taken as it is), a string with no data.
  RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
  Put("CurrentBand", REG_EXPAND_SZ, std::string("%WINDIR%\\x", 11));
  Put("NormPos", REG_EXPAND_SZ, std::string("100,50,500,350", 15));
  Put("ShowCmd", REG_SZ, "");
  form = Run();
  ExpectOpenNormalAt(form, "100,50,500,350");
  End(form);
  EXPECT_EQ(ReadStore().at("CurrentBand"), Sz("%WINDIR%\\x"));

  RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
  Put("CurrentBand", REG_SZ, "");
  EXPECT_EQ(RoundTrip().at("CurrentBand"), Sz(""));
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Placement, VeryLongStringsAreReadWhole) {
  std::string band(200000, 'b');
  band.front() = '<';
  band.back() = '>';
  std::string normPos = "100,50,500,350";
  while (normPos.size() < 150000) normPos += ", 77";
  PutText("CurrentBand", band);
  PutText("NormPos", normPos);
  const HWND form = Run();
  ExpectOpenNormalAt(form, "100,50,500,350");
  End(form);
  const Store store = ReadStore();
  EXPECT_TRUE(store.at("CurrentBand") == Sz(band)) << "CurrentBand came back changed, "
                                                     << store.at("CurrentBand").bytes.size() << " bytes";
  EXPECT_EQ(Text(store, "NormPos"), "100,50,500,350");
  EXPECT_TRUE(boxes.Seen().empty());
}

}  // namespace
