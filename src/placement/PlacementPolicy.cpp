#include "placement/PlacementPolicy.h"

#include <stdexcept>
#include <utility>

namespace varnholt {

namespace {

std::string Name(std::string_view name) { return std::string(name); }

std::int32_t ReadInteger(PlacementStore& store, std::string_view name, std::int32_t fallback) {
  return StoredIntegerOr(store.ReadString(Name(name), std::string()), fallback);
}

void WriteInteger(PlacementStore& store, std::string_view name, std::int32_t value) {
  store.WriteString(Name(name), IntegerText(value));
}

std::string ScreenSuffixOf(PlacementWindow& window) {
  const PlacementSize screen = window.ScreenSize();
  return ScreenSuffix(screen.width, screen.height);
}

// A value kept per screen size wins over the plain one; an empty one counts
// as missing.
std::string ReadScreenString(PlacementStore& store, std::string_view name, const std::string& suffix) {
  std::string text = store.ReadString(Name(name) + suffix, std::string());
  if (text.empty()) text = store.ReadString(Name(name), std::string());
  return text;
}

void WriteScreenString(PlacementStore& store, std::string_view name, const std::string& suffix,
                       const std::string& text) {
  store.WriteString(Name(name) + suffix, text);
  store.WriteString(Name(name), text);
}

}  // namespace

// ---------------------------------------------------------------------------
// Stored values

TStoredValue::TStoredValue(PlacementStore& store, std::string name, ValueType value)
    : Name(std::move(name)), Value(std::move(value)), store_(store) {}

std::string TStoredValue::Text() const {
  if (const auto* number = std::get_if<std::int32_t>(&Value)) return IntegerText(*number);
  return std::get<std::string>(Value);
}

void TStoredValue::Save() {
  if (OnSave) OnSave(*this);
  store_.WriteString(Name, Text());
}

void TStoredValue::Restore() {
  Value = store_.ReadString(Name, Text());
  if (OnRestore) OnRestore(*this);
}

TStoredValue& TStoredValues::Add(std::string name, TStoredValue::ValueType value) {
  if (Find(name) != nullptr) throw std::invalid_argument("Duplicate stored value name '" + name + "'");
  items_.push_back(std::make_unique<TStoredValue>(store_, std::move(name), std::move(value)));
  return *items_.back();
}

TStoredValue* TStoredValues::Find(std::string_view name) {
  for (const auto& item : items_) {
    if (SameValueName(item->Name, name)) return item.get();
  }
  return nullptr;
}

void TStoredValues::SaveValues() {
  for (const auto& item : items_) item->Save();
}

void TStoredValues::RestoreValues() {
  for (const auto& item : items_) item->Restore();
}

void AddDesignedValues(TStoredValues& values) { values.Add(Name(kCurrentBandValue), std::int32_t{0}); }

// ---------------------------------------------------------------------------
// The passes

void PlacementPolicy::StartRead() {
  written_ = false;
  positionApplied_ = false;
}

void PlacementPolicy::Read(PlacementStore& store, std::int32_t version, const std::function<void()>& step) {
  if (ReadInteger(store, kFormVersionValue, 0) >= version) step();
  read_ = true;
}

void PlacementPolicy::ReadWindow(PlacementStore& store, PlacementWindow& window, unsigned options) {
  WindowPlacement placement;
  if (window.GetPlacement(placement)) {
    // Applying the placement to a window that is about to be shown must not
    // show it yet.
    if (!window.IsVisible()) placement.showCmd = kHiddenShowCmd;
    if (options & fpPosition) ReadPosition(store, window, placement);

    bool repaint = true;
    if (options & fpState) {
      switch (StateFromShowCmd(ReadInteger(store, kShowCmdValue, 0))) {
        case WindowState::Minimised:
          // Minimising goes through an application window that a window
          // inside a host does not have: the window opens in the normal
          // state at its stored normal rectangle, not repainted here.
          repaint = false;
          break;
        case WindowState::Maximised:
          window.Maximise();
          break;
        case WindowState::Normal:
          window.Restore();
          break;
      }
    }
    if (repaint) window.Repaint();
  }
  read_ = true;
}

void PlacementPolicy::ReadPosition(PlacementStore& store, PlacementWindow& window, WindowPlacement& placement) {
  // Missing words of the normal rectangle come from the window's current
  // bounds, not from the words already read.
  const Rect bounds = window.Bounds();
  const std::string suffix = ScreenSuffixOf(window);

  placement.flags = static_cast<std::uint32_t>(
      ReadInteger(store, kFlagsValue, static_cast<std::int32_t>(placement.flags)));
  bool found = false;
  const std::string minMax = ReadScreenString(store, kMinMaxPosValue, suffix);
  if (!minMax.empty()) {
    found = true;
    placement.minPosition.x = StoredIntegerOr(PlacementWord(minMax, 1), 0);
    placement.minPosition.y = StoredIntegerOr(PlacementWord(minMax, 2), 0);
    placement.maxPosition.x = StoredIntegerOr(PlacementWord(minMax, 3), 0);
    placement.maxPosition.y = StoredIntegerOr(PlacementWord(minMax, 4), 0);
  }
  const std::string normal = ReadScreenString(store, kNormPosValue, suffix);
  if (!normal.empty()) {
    found = true;
    Rect& rect = placement.normalPosition;
    rect.left = StoredIntegerOr(PlacementWord(normal, 1), bounds.left);
    rect.top = StoredIntegerOr(PlacementWord(normal, 2), bounds.top);
    rect.right = StoredIntegerOr(PlacementWord(normal, 3), bounds.right);
    rect.bottom = StoredIntegerOr(PlacementWord(normal, 4), bounds.bottom);
  }
  // Positions stored at another resolution would put the window elsewhere
  // than where it was left.
  const std::int32_t pixelsPerInch = window.PixelsPerInch();
  if (ReadInteger(store, kPixelsPerInchValue, pixelsPerInch) != pixelsPerInch) found = false;

  if (found && placement.normalPosition.right > placement.normalPosition.left)
    positionApplied_ = window.SetPlacement(placement);
}

void PlacementPolicy::Write(PlacementStore& store, std::int32_t version, const std::function<void()>& step) {
  WriteInteger(store, kFormVersionValue, version);
  step();
  written_ = true;
}

void PlacementPolicy::WriteWindow(PlacementStore& store, PlacementWindow& window, bool visible) {
  WindowPlacement placement;
  if (window.GetPlacement(placement)) {
    const std::string suffix = ScreenSuffixOf(window);
    WriteInteger(store, kFlagsValue, static_cast<std::int32_t>(placement.flags));
    WriteInteger(store, kShowCmdValue, static_cast<std::int32_t>(placement.showCmd));
    WriteInteger(store, kPixelsPerInchValue, window.PixelsPerInch());
    WriteScreenString(store, kMinMaxPosValue, suffix,
                      PositionText(placement.minPosition.x, placement.minPosition.y, placement.maxPosition.x,
                                   placement.maxPosition.y));
    const Rect& rect = placement.normalPosition;
    WriteScreenString(store, kNormPosValue, suffix, PositionText(rect.left, rect.top, rect.right, rect.bottom));
  }
  store.WriteString(Name(kVisibleValue), visible ? "1" : "0");
}

}  // namespace varnholt
