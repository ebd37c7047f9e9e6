// What the window placement store decides, pass by pass: which values a read
// pass asks for and in which order, what of them it applies to the window,
// what a write pass stores and in which order, and what one pass leaves for
// the next. It works over two small interfaces, a store of named texts and
// the window as a pass sees it, so it stays free of Windows headers: the
// Windows shell (FormPlacement_win) puts the registry and the real window
// behind them and keeps the attachment to the window's events.
//
// The order of the store's reads and writes and of the window's calls is part
// of the contract: a pass that fails half-way has applied, and written,
// exactly what came before the failure.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/Rect.h"
#include "placement/PlacementText.h"

namespace varnholt {

// Named texts, as the placement store keeps them. Reading or writing may
// fail with an exception; a pass ends there.
class PlacementStore {
 public:
  virtual ~PlacementStore() = default;
  // The text stored under `name`; `fallback` when there is none.
  virtual std::string ReadString(const std::string& name, const std::string& fallback) = 0;
  // Stores `text` under `name`.
  virtual void WriteString(const std::string& name, const std::string& text) = 0;
};

struct PlacementPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct PlacementSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// A window's placement as the system keeps it: the positions it takes
// minimised and maximised, its rectangle in the normal state, and how it is
// shown.
struct WindowPlacement {
  std::uint32_t flags = 0;
  std::uint32_t showCmd = 0;
  PlacementPoint minPosition;
  PlacementPoint maxPosition;
  Rect normalPosition;
};

// The show command of a placement that leaves the window hidden.
inline constexpr std::uint32_t kHiddenShowCmd = 0;

// The window as a pass sees it. Each fact is asked for when the pass needs
// it, never before.
class PlacementWindow {
 public:
  virtual ~PlacementWindow() = default;
  // The window's placement now; false when there is no window to place.
  virtual bool GetPlacement(WindowPlacement& placement) = 0;
  virtual bool IsVisible() = 0;
  // The window's rectangle on the screen.
  virtual Rect Bounds() = 0;
  // The screen's size in pixels.
  virtual PlacementSize ScreenSize() = 0;
  // The screen's pixels per inch.
  virtual std::int32_t PixelsPerInch() = 0;
  // Gives the window `placement`; false when the system refused it.
  virtual bool SetPlacement(const WindowPlacement& placement) = 0;
  // Maximises the window unless it is maximised already.
  virtual void Maximise() = 0;
  // Brings a visible window that is minimised or maximised back to normal.
  virtual void Restore() = 0;
  // Paints what needs painting now.
  virtual void Repaint() = 0;
};

// What a read pass applies.
enum TPlacementOption : unsigned {
  fpState = 1u << 0,     // the minimised/maximised state
  fpPosition = 1u << 1,  // the position and size
};

// A value kept beside the placement, stored under its name as plain text.
class TStoredValue {
 public:
  using ValueType = std::variant<std::int32_t, std::string>;

  TStoredValue(PlacementStore& store, std::string name, ValueType value);
  virtual ~TStoredValue() = default;
  TStoredValue(const TStoredValue&) = delete;
  TStoredValue& operator=(const TStoredValue&) = delete;

  std::string Name;
  // An integer until a read pass brings the stored text in.
  ValueType Value;
  // Called before the value is written and after it is read; unassigned by
  // default.
  std::function<void(TStoredValue&)> OnSave;
  std::function<void(TStoredValue&)> OnRestore;

  // The text the value is stored as: an integer in decimal, a text as it is.
  std::string Text() const;

  // Writes the value's text under its name.
  virtual void Save();
  // Reads the text under its name, the current text being the default; the
  // value holds a text from then on.
  virtual void Restore();

 private:
  PlacementStore& store_;
};

// The values of one store, with names unique regardless of letter case, saved
// and restored in the order they were added.
class TStoredValues {
 public:
  explicit TStoredValues(PlacementStore& store) : store_(store) {}
  TStoredValues(const TStoredValues&) = delete;
  TStoredValues& operator=(const TStoredValues&) = delete;

  // Adds a value; throws std::invalid_argument if the name is taken.
  TStoredValue& Add(std::string name, TStoredValue::ValueType value);

  void SaveValues();
  void RestoreValues();

 private:
  // The value of that name (any letter case), or null.
  TStoredValue* Find(std::string_view name);

  PlacementStore& store_;
  // Held by pointer so that references handed out stay valid as items come.
  std::vector<std::unique_ptr<TStoredValue>> items_;
};

// The values the statistics window's design keeps beside its placement: one,
// "CurrentBand", holding the integer 0.
void AddDesignedValues(TStoredValues& values);

// The passes of one window's store and what they leave for one another. A
// pass reads or writes its own values first, then hands over to the store's
// step (the placement, then what the store keeps beside it).
class PlacementPolicy {
 public:
  // A read pass begins, before the way to the store is opened: nothing is
  // applied yet, and nothing is written since.
  void StartRead();
  // The read pass: data stored by an older version of the store (a
  // FormVersion below `version`) is not applied at all; otherwise `step`
  // applies it. From the end of the pass on, write passes may write, whatever
  // the step applied.
  void Read(PlacementStore& store, std::int32_t version, const std::function<void()>& step);
  // The placement step of a read pass: the position and size (fpPosition in
  // `options`) and the state (fpState) stored for the window. A window that
  // is still hidden stays hidden. Once it got through, write passes may
  // write, even if what the store keeps beside the placement cannot be read.
  void ReadWindow(PlacementStore& store, PlacementWindow& window, unsigned options);

  // Whether a write pass may go ahead: a store that never read its placement
  // would overwrite it with the window's designed one. An inactive store
  // writes whenever it is asked to.
  bool MayWrite(bool active) const { return !active || read_; }
  // The write pass: FormVersion, then `step`.
  void Write(PlacementStore& store, std::int32_t version, const std::function<void()>& step);
  // The placement step of a write pass: the window's flags, show command,
  // the screen's pixels per inch, its minimised and maximised positions and
  // its normal rectangle (each of these two under the name with the screen
  // size's suffix and under the plain name), and "Visible" ("1" or "0").
  static void WriteWindow(PlacementStore& store, PlacementWindow& window, bool visible);

  // Whether the last read pass put the window at a stored position; when it
  // did not, the window stands where it was built.
  bool PositionApplied() const { return positionApplied_; }
  // Whether a write pass ran to its end since the last read pass began.
  bool Written() const { return written_; }

 private:
  void ReadPosition(PlacementStore& store, PlacementWindow& window, WindowPlacement& placement);

  bool read_ = false;
  bool written_ = false;
  bool positionApplied_ = false;
};

}  // namespace varnholt
