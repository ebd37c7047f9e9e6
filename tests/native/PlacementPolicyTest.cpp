#include "placement/PlacementPolicy.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace varnholt {
namespace {

// Named texts in memory, with every read and write logged in order. One name
// may be made to fail, as the registry fails for data of another type or
// refuses a write.
class MemoryStore : public PlacementStore {
 public:
  std::string ReadString(const std::string& name, const std::string& fallback) override {
    reads.push_back(name);
    if (name == failing) throw std::runtime_error("Invalid data type for '" + name + "'");
    const auto it = texts.find(name);
    return it != texts.end() ? it->second : fallback;
  }
  void WriteString(const std::string& name, const std::string& text) override {
    writes.push_back(name);
    if (name == failing) throw std::runtime_error("Failed to set data for '" + name + "'");
    texts[name] = text;
  }

  std::map<std::string, std::string> texts;
  std::string failing;
  std::vector<std::string> reads;
  std::vector<std::string> writes;
};

// A window at its designed rectangle on a 1280 x 1024 screen of 96 pixels
// per inch, still hidden, that records what a pass did to it.
class ModelWindow : public PlacementWindow {
 public:
  bool GetPlacement(WindowPlacement& out) override {
    if (gone) return false;
    out = placement;
    return true;
  }
  bool IsVisible() override { return visible; }
  Rect Bounds() override { return placement.normalPosition; }
  PlacementSize ScreenSize() override { return {1280, 1024}; }
  std::int32_t PixelsPerInch() override { return 96; }
  bool SetPlacement(const WindowPlacement& offered) override {
    set = offered;
    return !refuses;
  }
  void Maximise() override { state = "maximised"; }
  void Restore() override { state = "restored"; }
  void Repaint() override { repainted = true; }

  bool gone = false;
  bool visible = false;
  bool refuses = false;
  WindowPlacement placement = {8, 1, {-1, -1}, {-8, -31}, {951, 164, 1325, 360}};
  std::optional<WindowPlacement> set;
  std::string state;
  bool repainted = false;
};

std::string Words(const Rect& r) {
  return PositionText(r.left, r.top, r.right, r.bottom);
}

class PlacementPolicyTest : public ::testing::Test {
 protected:
  PlacementPolicyTest() { AddDesignedValues(values); }

  // The passes as the statistics window's store makes them: the placement,
  // then the values kept beside it.
  void ReadPass(std::int32_t version = 0) {
    policy.StartRead();
    policy.Read(store, version, [&] {
      policy.ReadWindow(store, window, fpState | fpPosition);
      values.RestoreValues();
    });
  }
  bool WritePass(bool visible = true) {
    if (!policy.MayWrite(true)) return false;
    policy.Write(store, 0, [&] {
      PlacementPolicy::WriteWindow(store, window, visible);
      values.SaveValues();
    });
    return true;
  }
  std::string AppliedRect() const { return window.set ? Words(window.set->normalPosition) : "<nothing>"; }

  MemoryStore store;
  ModelWindow window;
  PlacementPolicy policy;
  TStoredValues values{store};
};

TEST_F(PlacementPolicyTest, ReadsAndWritesInTheStoresOrder) {
  ReadPass();
  const std::vector<std::string> read = {"FormVersion",        "Flags",   "MinMaxPos(1280x1024)", "MinMaxPos",
                                         "NormPos(1280x1024)", "NormPos", "PixelsPerInch",        "ShowCmd",
                                         "CurrentBand"};
  EXPECT_EQ(store.reads, read);

  // A value stored for this screen size spares the plain one.
  store.reads.clear();
  store.texts["NormPos(1280x1024)"] = "1,2,300,400";
  ReadPass();
  EXPECT_EQ(store.reads[4], "NormPos(1280x1024)");
  EXPECT_EQ(store.reads[5], "PixelsPerInch");
}

TEST_F(PlacementPolicyTest, TheTenNamesInWriteOrder) {
  ReadPass();
  ASSERT_TRUE(WritePass());
  const std::vector<std::string> expected = {
      "FormVersion",         "Flags",   "ShowCmd",           "PixelsPerInch", "MinMaxPos(1280x1024)",
      "MinMaxPos",           "NormPos(1280x1024)", "NormPos", "Visible",       "CurrentBand"};
  EXPECT_EQ(store.writes, expected);
  EXPECT_EQ(store.texts["NormPos"], "951,164,1325,360");
  EXPECT_EQ(store.texts["MinMaxPos(1280x1024)"], "-1,-1,-8,-31");
  EXPECT_EQ(store.texts["Visible"], "1");

  // Without a window only the store's own values are written.
  store.writes.clear();
  window.gone = true;
  ASSERT_TRUE(WritePass(false));
  EXPECT_EQ(store.writes, (std::vector<std::string>{"FormVersion", "Visible", "CurrentBand"}));
  EXPECT_EQ(store.texts["Visible"], "0");
}

TEST_F(PlacementPolicyTest, OlderVersionAppliesNothingAndCurrentBandKeepsItsInteger) {
  store.texts = {{"FormVersion", "-1"}, {"NormPos", "100,50,500,350"}, {"ShowCmd", "3"}, {"CurrentBand", "40M"}};
  ReadPass();
  EXPECT_EQ(store.reads, std::vector<std::string>{"FormVersion"});
  EXPECT_FALSE(window.set);
  EXPECT_EQ(window.state, "");
  EXPECT_FALSE(window.repainted);
  EXPECT_FALSE(policy.PositionApplied());
  // The pass still counts as read: the old data is overwritten.
  ASSERT_TRUE(WritePass());
  EXPECT_EQ(store.texts["FormVersion"], "0");
  EXPECT_EQ(store.texts["CurrentBand"], "0");

  // A store of a newer version reads older data; missing data is version 0.
  store.texts = {{"NormPos", "100,50,500,350"}};
  ReadPass(1);
  EXPECT_FALSE(window.set);
  ReadPass(0);
  EXPECT_EQ(AppliedRect(), "100,50,500,350");
}

TEST_F(PlacementPolicyTest, NeverReadNeverWrite) {
  EXPECT_FALSE(WritePass());
  EXPECT_TRUE(store.writes.empty());
  EXPECT_TRUE(policy.MayWrite(false));  // an inactive store writes when asked

  // A failure before the placement got through ends the pass there and keeps
  // the stored data from being overwritten ...
  store.texts = {{"NormPos", "100,50,500,350"}, {"ShowCmd", "3"}};
  store.failing = "Flags";
  EXPECT_THROW(ReadPass(), std::runtime_error);
  EXPECT_FALSE(window.set);
  EXPECT_FALSE(WritePass());

  // ... also after the position was applied ...
  store.failing = "ShowCmd";
  EXPECT_THROW(ReadPass(), std::runtime_error);
  EXPECT_EQ(AppliedRect(), "100,50,500,350");
  EXPECT_TRUE(policy.PositionApplied());
  EXPECT_EQ(window.state, "");
  EXPECT_FALSE(WritePass());

  // ... while a value beside the placement that cannot be read leaves the
  // placement applied and the store writable.
  store.failing = "CurrentBand";
  EXPECT_THROW(ReadPass(), std::runtime_error);
  EXPECT_EQ(window.state, "maximised");
  EXPECT_TRUE(window.repainted);
  store.failing.clear();
  EXPECT_TRUE(WritePass());
  EXPECT_EQ(store.texts["CurrentBand"], "0");
  EXPECT_TRUE(policy.Written());

  // A write pass that fails has not written: the window's destruction tries
  // again.
  ReadPass();
  store.failing = "CurrentBand";
  EXPECT_THROW(WritePass(), std::runtime_error);
  EXPECT_FALSE(policy.Written());
}

TEST_F(PlacementPolicyTest, TheValueForThisScreenSizeWinsOverThePlainOne) {
  store.texts = {{"NormPos(1280x1024)", "120,80,520,380"},
                 {"NormPos", "300,200,700,500"},
                 {"NormPos(1x1)", "10,10,400,300"}};
  ReadPass();
  EXPECT_EQ(AppliedRect(), "120,80,520,380");

  // An empty one counts as missing.
  store.texts["NormPos(1280x1024)"] = "";
  ReadPass();
  EXPECT_EQ(AppliedRect(), "300,200,700,500");
}

TEST_F(PlacementPolicyTest, AnotherPixelsPerInchAppliesTheStateButNoPosition) {
  store.texts = {{"PixelsPerInch", "120"}, {"NormPos", "100,50,500,350"}, {"ShowCmd", "3"}};
  ReadPass();
  EXPECT_FALSE(window.set);
  EXPECT_FALSE(policy.PositionApplied());
  EXPECT_EQ(window.state, "maximised");

  store.texts["PixelsPerInch"] = "96";
  ReadPass();
  EXPECT_EQ(AppliedRect(), "100,50,500,350");
  EXPECT_TRUE(policy.PositionApplied());
}

TEST_F(PlacementPolicyTest, StoredWordsToFields) {
  // Missing and unreadable words of the normal rectangle come from the
  // window's bounds, not from the words read; those of the minimised and
  // maximised positions are 0. A hidden window is placed hidden.
  store.texts = {{"Flags", "2"}, {"MinMaxPos", "5"}, {"NormPos", "900,100"}};
  ReadPass();
  ASSERT_TRUE(window.set);
  EXPECT_EQ(Words(window.set->normalPosition), "900,100,1325,360");
  EXPECT_EQ(PositionText(window.set->minPosition.x, window.set->minPosition.y, window.set->maxPosition.x,
                         window.set->maxPosition.y),
            "5,0,0,0");
  EXPECT_EQ(window.set->flags, 2u);
  EXPECT_EQ(window.set->showCmd, kHiddenShowCmd);

  store.texts = {{"NormPos", " ,, 30 x,700"}};
  window.visible = true;
  ReadPass();
  EXPECT_EQ(AppliedRect(), "30,164,700,360");
  EXPECT_EQ(window.set->showCmd, 1u);
  EXPECT_EQ(window.set->flags, 8u);  // not stored: the window's own
}

TEST_F(PlacementPolicyTest, ARectangleWithoutWidthOrARefusalAppliesNoPosition) {
  for (const char* normPos : {"300,300,300,400", "400,0,300,10"}) {
    window.set.reset();
    store.texts = {{"NormPos", normPos}, {"MinMaxPos", "1,2,3,4"}};
    ReadPass();
    EXPECT_FALSE(window.set) << normPos;
    EXPECT_FALSE(policy.PositionApplied()) << normPos;
  }

  store.texts = {{"NormPos", "100,50,500,350"}};
  window.refuses = true;
  ReadPass();
  EXPECT_TRUE(window.set);
  EXPECT_FALSE(policy.PositionApplied());
}

TEST_F(PlacementPolicyTest, AMinimisedWindowOpensNormalWithoutARepaint) {
  store.texts = {{"ShowCmd", "2"}};
  ReadPass();
  EXPECT_EQ(window.state, "");
  EXPECT_FALSE(window.repainted);

  store.texts = {{"ShowCmd", "1"}};
  ReadPass();
  EXPECT_EQ(window.state, "restored");
  EXPECT_TRUE(window.repainted);
}

}  // namespace
}  // namespace varnholt
