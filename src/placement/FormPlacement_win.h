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
#include <vector>

#include "common/FormEvents.h"
#include "placement/PlacementPolicy.h"
#include "placement/Registry_win.h"

namespace varnholt {

// Reads and writes the placement of one window, as PlacementPolicy decides,
// in the registry. Neither copyable nor movable: the handlers it installs in
// the window's events refer to it.
class TFormPlacement : public PlacementStore {
 public:
  TFormPlacement();
  ~TFormPlacement() override;
  TFormPlacement(const TFormPlacement&) = delete;
  TFormPlacement& operator=(const TFormPlacement&) = delete;

  // Settings. Storing in a file, storing other components' properties, size
  // limits, resize prevention and the focused control are not offered.
  bool Active = true;                     // reads and writes at all
  unsigned Options = fpState | fpPosition;
  std::int32_t Version = 0;               // compared with the stored FormVersion
  std::string IniFileName;                // key path; empty: derived from the host
  std::string IniSection;                 // subkey; empty: the window's class name
  std::function<void()> OnSavePlacement;     // after a write pass
  std::function<void()> OnRestorePlacement;  // after a read pass that applied data

  // Takes the place of the window's OnShow, OnCloseQuery and OnDestroy
  // handlers, remembering the ones there and calling them from its own.
  // `windowClass` is the window's class name, the subkey when IniSection is
  // empty; `reportError` shows a failure's message (the window's error box).
  // The events must outlive the store.
  void Attach(FormEvents& events, HWND window, std::string windowClass,
              std::function<void(const std::string&)> reportError);

  // Reads and writes a named value through the pass under way or, outside a
  // pass, through a connection made for that value alone.
  std::string ReadString(const std::string& name, const std::string& fallback) override;
  void WriteString(const std::string& name, const std::string& text) override;

  // Whether the last read pass put the window at a stored position; when it
  // did not, the window stands where it was built.
  bool PositionApplied() const { return policy_.PositionApplied(); }

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
  std::unique_ptr<RegistryConnection> OpenConnection(RegistryConnection::Mode mode) const;
  void ResetMaximisedPosition();

  void FormShow();
  void FormCloseQuery(bool& canClose);
  void FormDestroy();

  PlacementPolicy policy_;
  bool writingAtDestroy_ = false;

  std::unique_ptr<RegistryConnection> pass_;  // the connection of the pass under way

  FormEvents* events_ = nullptr;
  HWND window_ = nullptr;
  std::string windowClass_;
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
