// The statistics window's placement store: remembers from one run of the host
// to the next where the window was, its size, whether it was minimised or
// maximised, and the named value CurrentBand. The data lives under
// HKEY_CURRENT_USER\Software\<host executable's base name>\TfmMainForm as
// REG_SZ texts.
//
// The window builds the store with MakeFormStorage1() once its design is
// loaded and calls Attach(); from then on the store works through the
// window's own show, close-query and destroy events:
//   - OnShow (the window still hidden): RecallPlacement, then the window's
//     own show handler;
//   - OnCloseQuery: the window's own handler, then RecordPlacement when the
//     close may go ahead;
//   - OnDestroy (the HWND still exists): RecordPlacement unless a close has
//     already written, then the window's own handler.
// A failure inside a pass goes to the error report given to Attach, and the
// handler carries on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/FormEvents.h"
#include "placement/Registry_win.h"

namespace varnholt {

class TFormPlacement;

// A value kept beside the placement, stored under its name as plain text.
class TStoredValue {
 public:
  using ValueType = std::variant<std::int32_t, std::string>;

  TStoredValue(TFormPlacement& store, std::string name, ValueType value);
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
  TFormPlacement& store_;
};

// The values of one store, with names unique regardless of letter case, saved
// and restored in the order they were added.
class TStoredValues {
 public:
  explicit TStoredValues(TFormPlacement& store) : store_(store) {}
  TStoredValues(const TStoredValues&) = delete;
  TStoredValues& operator=(const TStoredValues&) = delete;

  // Adds a value; throws std::invalid_argument if the name is taken.
  TStoredValue& Add(std::string name, TStoredValue::ValueType value);

  void SaveValues();
  void RestoreValues();

 private:
  // The value of that name (any letter case), or null.
  TStoredValue* Find(std::string_view name);

  TFormPlacement& store_;
  // Held by pointer so that references handed out stay valid as items come.
  std::vector<std::unique_ptr<TStoredValue>> items_;
};

// What a read pass applies.
enum TPlacementOption : unsigned {
  fpState = 1u << 0,     // the minimised/maximised state
  fpPosition = 1u << 1,  // the position and size
};

// Reads and writes the placement of one window. Neither copyable nor movable:
// the handlers it installs in the window's events refer to it.
class TFormPlacement {
 public:
  TFormPlacement();
  virtual ~TFormPlacement();
  TFormPlacement(const TFormPlacement&) = delete;
  TFormPlacement& operator=(const TFormPlacement&) = delete;

  // Settings. Storing in a file, storing other components' properties, size
  // limits, resize prevention and the focused control are not offered.
  bool Active = true;                     // reads and writes at all
  unsigned Options = fpState | fpPosition;
  std::int32_t Version = 0;               // compared with the stored FormVersion
  std::string IniFileName;                // key path; empty: derived from the host
  std::string IniSection;                 // subkey; empty: "TfmMainForm"
  std::function<void()> OnSavePlacement;     // after a write pass
  std::function<void()> OnRestorePlacement;  // after a read pass that applied data

  // Takes the place of the window's OnShow, OnCloseQuery and OnDestroy
  // handlers, remembering the ones there and calling them from its own.
  // `reportError` shows a failure's message (the window's error box). The
  // events must outlive the store.
  void Attach(FormEvents& events, HWND window, std::function<void(const std::string&)> reportError);

  // Reads and writes a named value through the pass under way or, outside a
  // pass, through a connection made for that value alone.
  virtual std::string ReadString(const std::string& name, const std::string& fallback);
  virtual void WriteString(const std::string& name, const std::string& text);

  // Whether the last read pass put the window at a stored position; when it
  // did not, the window stands where it was built.
  bool PositionApplied() const { return positionApplied_; }

 protected:
  // The steps a derived store extends.
  virtual void WritePlacementStep();
  virtual void ReadPlacementStep();
  // Puts the remembered handlers back.
  void Detach();

 private:
  class PassScope;

  void RecallPlacement();
  void RecordPlacement();
  std::string KeyPath() const;
  std::string Section() const;
  std::int32_t ReadInteger(const std::string& name, std::int32_t fallback);
  void WriteInteger(const std::string& name, std::int32_t value);

  std::unique_ptr<RegistryConnection> OpenConnection(RegistryConnection::Mode mode) const;
  std::string ReadScreenString(const std::string& name, const std::string& suffix, const std::string& fallback);
  void WriteScreenString(const std::string& name, const std::string& suffix, const std::string& text);
  void ApplyStoredPosition(WINDOWPLACEMENT& placement);
  void ResetMaximisedPosition();

  void FormShow();
  void FormCloseQuery(bool& canClose);
  void FormDestroy();

  bool placementRead_ = false;
  bool placementWritten_ = false;
  bool writingAtDestroy_ = false;
  bool positionApplied_ = false;

  std::unique_ptr<RegistryConnection> pass_;  // the connection of the pass under way

  FormEvents* events_ = nullptr;
  HWND window_ = nullptr;
  std::function<void(const std::string&)> reportError_;
  std::function<void()> windowShow_;
  std::function<void(bool&)> windowCloseQuery_;
  std::function<void()> windowDestroy_;
  // Cleared when the store goes, so that a handler resumed after the error
  // box's message loop sees that the window was destroyed meanwhile.
  std::shared_ptr<bool> alive_;
};

// A placement store that also keeps named values (and, in principle,
// component properties; this window stores none).
class TFormStorage : public TFormPlacement {
 public:
  TFormStorage();
  ~TFormStorage() override;

  TStoredValues StoredValues;
  // Component properties to keep; always empty, since storing them is not
  // offered, and the property steps do nothing.
  std::vector<std::string> StoredProps;

 protected:
  void WritePlacementStep() override;
  void ReadPlacementStep() override;
  virtual void WriteStoredProps() {}
  virtual void ReadStoredProps() {}
};

// The store as the statistics window's design sets it up (FormStorage1):
// active, in the registry under HKEY_CURRENT_USER, state and position,
// version 0, one stored value "CurrentBand" holding the integer 0.
std::unique_ptr<TFormStorage> MakeFormStorage1();

}  // namespace varnholt
