#include "placement/FormPlacement_win.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "common/Gdi_win.h"
#include "placement/PlacementText.h"

namespace varnholt {

namespace {

// The subkey when none is set: the window's class name.
constexpr char kFormClassName[] = "TfmMainForm";

std::string Name(std::string_view name) { return std::string(name); }

// The full path of the host's executable, or empty when Windows cannot give
// it. A path longer than MAX_PATH is read whole: a cut path would name the
// key after a fragment of the file name.
std::string HostExecutablePath() {
  std::string path(MAX_PATH + 1, '\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameA(nullptr, &path[0], size);
    if (length == 0) return {};
    if (length < size) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 0x10000) return {};
    path.resize(path.size() * 2);
  }
}

std::int32_t ScreenPixelsPerInch() {
  const WindowDc screen(nullptr);
  return screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
}

std::string CurrentScreenSuffix() {
  return ScreenSuffix(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool GetPlacement(HWND window, WINDOWPLACEMENT& placement) {
  placement = WINDOWPLACEMENT{};
  placement.length = sizeof placement;
  return window != nullptr && IsWindow(window) && GetWindowPlacement(window, &placement);
}

// Runs a pass; returns the message of its failure, if it failed.
template <typename Pass>
std::optional<std::string> FailureOf(Pass pass) {
  try {
    pass();
    return std::nullopt;
  } catch (const std::exception& error) {
    return std::string(error.what());
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Stored values

TStoredValue::TStoredValue(TFormPlacement& store, std::string name, ValueType value)
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

// ---------------------------------------------------------------------------
// The placement store

// Gives a pass its own connection and closes it when the pass ends, failed or
// not. The connection is looked up anew for every value, so a nested pass
// that swaps it in and out cannot leave the outer one with a closed key.
class TFormPlacement::PassScope {
 public:
  PassScope(TFormPlacement& store, RegistryConnection::Mode mode) : store_(store) {
    auto connection = store.OpenConnection(mode);
    previous_ = std::move(store.pass_);
    store.pass_ = std::move(connection);
  }
  ~PassScope() { store_.pass_ = std::move(previous_); }
  PassScope(const PassScope&) = delete;
  PassScope& operator=(const PassScope&) = delete;

 private:
  TFormPlacement& store_;
  std::unique_ptr<RegistryConnection> previous_;
};

TFormPlacement::TFormPlacement() : alive_(std::make_shared<bool>(true)) {}

TFormPlacement::~TFormPlacement() {
  Detach();
  *alive_ = false;
}

std::string TFormPlacement::KeyPath() const {
  return IniFileName.empty() ? PlacementKeyPath(HostExecutablePath()) : IniFileName;
}

std::string TFormPlacement::Section() const { return IniSection.empty() ? kFormClassName : IniSection; }

std::unique_ptr<RegistryConnection> TFormPlacement::OpenConnection(RegistryConnection::Mode mode) const {
  return std::make_unique<RegistryConnection>(HKEY_CURRENT_USER, KeyPath(), mode);
}

std::string TFormPlacement::ReadString(const std::string& name, const std::string& fallback) {
  if (pass_) return pass_->ReadString(Section(), name, fallback);
  return OpenConnection(RegistryConnection::Mode::Read)->ReadString(Section(), name, fallback);
}

void TFormPlacement::WriteString(const std::string& name, const std::string& text) {
  if (pass_) return pass_->WriteString(Section(), name, text);
  OpenConnection(RegistryConnection::Mode::Write)->WriteString(Section(), name, text);
}

std::int32_t TFormPlacement::ReadInteger(const std::string& name, std::int32_t fallback) {
  return StoredIntegerOr(ReadString(name, std::string()), fallback);
}

void TFormPlacement::WriteInteger(const std::string& name, std::int32_t value) {
  WriteString(name, IntegerText(value));
}

// A value kept per screen size wins over the plain one.
std::string TFormPlacement::ReadScreenString(const std::string& name, const std::string& suffix,
                                             const std::string& fallback) {
  std::string text = ReadString(name + suffix, std::string());
  if (text.empty()) text = ReadString(name, fallback);
  return text;
}

void TFormPlacement::WriteScreenString(const std::string& name, const std::string& suffix, const std::string& text) {
  WriteString(name + suffix, text);
  WriteString(name, text);
}

void TFormPlacement::RecallPlacement() {
  placementWritten_ = false;
  positionApplied_ = false;
  {
    PassScope pass(*this, RegistryConnection::Mode::Read);
    // Data of an older version of the store is not applied at all.
    if (ReadInteger(Name(kFormVersionValue), 0) >= Version) {
      ReadPlacementStep();
      if (OnRestorePlacement) OnRestorePlacement();
    }
    placementRead_ = true;
  }
  ResetMaximisedPosition();
}

void TFormPlacement::RecordPlacement() {
  // A window that never read its placement would overwrite it with its
  // designed one.
  if (Active && !placementRead_) return;
  PassScope pass(*this, RegistryConnection::Mode::Write);
  WriteInteger(Name(kFormVersionValue), Version);
  WritePlacementStep();
  if (OnSavePlacement) OnSavePlacement();
  placementWritten_ = true;
}

void TFormPlacement::ReadPlacementStep() {
  WINDOWPLACEMENT placement;
  if (GetPlacement(window_, placement)) {
    // Applying the placement to a window that is about to be shown must not
    // show it yet.
    if (!IsWindowVisible(window_)) placement.showCmd = SW_HIDE;
    if (Options & fpPosition) ApplyStoredPosition(placement);

    bool repaint = true;
    if (Options & fpState) {
      switch (StateFromShowCmd(ReadInteger(Name(kShowCmdValue), 0))) {
        case WindowState::Minimised:
          // Minimising goes through an application window that a window
          // inside a host does not have: the window opens in the normal
          // state at its stored normal rectangle, not repainted here.
          repaint = false;
          break;
        case WindowState::Maximised:
          if (!IsZoomed(window_)) ShowWindow(window_, SW_SHOWMAXIMIZED);
          break;
        case WindowState::Normal:
          if (IsWindowVisible(window_) && (IsZoomed(window_) || IsIconic(window_))) ShowWindow(window_, SW_RESTORE);
          break;
      }
    }
    if (repaint) UpdateWindow(window_);
  }
  placementRead_ = true;
}

void TFormPlacement::ApplyStoredPosition(WINDOWPLACEMENT& placement) {
  // Missing words of the normal rectangle come from the window's current
  // bounds, not from the words already read.
  RECT bounds{};
  GetWindowRect(window_, &bounds);
  const std::string suffix = CurrentScreenSuffix();

  placement.flags = static_cast<UINT>(ReadInteger(Name(kFlagsValue), static_cast<std::int32_t>(placement.flags)));
  bool found = false;
  const std::string minMax = ReadScreenString(Name(kMinMaxPosValue), suffix, std::string());
  if (!minMax.empty()) {
    found = true;
    placement.ptMinPosition.x = StoredIntegerOr(PlacementWord(minMax, 1), 0);
    placement.ptMinPosition.y = StoredIntegerOr(PlacementWord(minMax, 2), 0);
    placement.ptMaxPosition.x = StoredIntegerOr(PlacementWord(minMax, 3), 0);
    placement.ptMaxPosition.y = StoredIntegerOr(PlacementWord(minMax, 4), 0);
  }
  const std::string normal = ReadScreenString(Name(kNormPosValue), suffix, std::string());
  if (!normal.empty()) {
    found = true;
    RECT& rect = placement.rcNormalPosition;
    rect.left = StoredIntegerOr(PlacementWord(normal, 1), bounds.left);
    rect.top = StoredIntegerOr(PlacementWord(normal, 2), bounds.top);
    rect.right = StoredIntegerOr(PlacementWord(normal, 3), bounds.right);
    rect.bottom = StoredIntegerOr(PlacementWord(normal, 4), bounds.bottom);
  }
  // Positions stored at another resolution would put the window elsewhere
  // than where it was left.
  const std::int32_t pixelsPerInch = ScreenPixelsPerInch();
  if (ReadInteger(Name(kPixelsPerInchValue), pixelsPerInch) != pixelsPerInch) found = false;

  if (found && placement.rcNormalPosition.right > placement.rcNormalPosition.left)
    positionApplied_ = SetWindowPlacement(window_, &placement) != FALSE;
}

// A maximised window always goes to the top left corner with its sizing
// border off the screen, whatever position was stored.
void TFormPlacement::ResetMaximisedPosition() {
  WINDOWPLACEMENT placement;
  if (!GetPlacement(window_, placement)) return;
  if (!IsWindowVisible(window_)) placement.showCmd = SW_HIDE;
  placement.ptMaxPosition.x = -GetSystemMetrics(SM_CXFRAME);
  placement.ptMaxPosition.y = -GetSystemMetrics(SM_CYFRAME);
  SetWindowPlacement(window_, &placement);
}

void TFormPlacement::WritePlacementStep() {
  WINDOWPLACEMENT placement;
  if (GetPlacement(window_, placement)) {
    const std::string suffix = CurrentScreenSuffix();
    WriteInteger(Name(kFlagsValue), static_cast<std::int32_t>(placement.flags));
    WriteInteger(Name(kShowCmdValue), static_cast<std::int32_t>(placement.showCmd));
    WriteInteger(Name(kPixelsPerInchValue), ScreenPixelsPerInch());
    WriteScreenString(Name(kMinMaxPosValue), suffix,
                      PositionText(placement.ptMinPosition.x, placement.ptMinPosition.y, placement.ptMaxPosition.x,
                                   placement.ptMaxPosition.y));
    const RECT& rect = placement.rcNormalPosition;
    WriteScreenString(Name(kNormPosValue), suffix, PositionText(rect.left, rect.top, rect.right, rect.bottom));
  }
  WriteString(Name(kVisibleValue), writingAtDestroy_ ? "1" : "0");
}

// ---------------------------------------------------------------------------
// Attachment to the window's events

void TFormPlacement::Attach(FormEvents& events, HWND window, std::function<void(const std::string&)> reportError) {
  Detach();
  events_ = &events;
  window_ = window;
  reportError_ = std::move(reportError);
  windowShow_ = std::exchange(events.OnShow, [this] { FormShow(); });
  windowCloseQuery_ = std::exchange(events.OnCloseQuery, [this](bool& canClose) { FormCloseQuery(canClose); });
  windowDestroy_ = std::exchange(events.OnDestroy, [this] { FormDestroy(); });
}

void TFormPlacement::Detach() {
  if (events_ != nullptr) {
    events_->OnShow = std::exchange(windowShow_, nullptr);
    events_->OnCloseQuery = std::exchange(windowCloseQuery_, nullptr);
    events_->OnDestroy = std::exchange(windowDestroy_, nullptr);
    events_ = nullptr;
  }
  pass_.reset();
}

// The error box runs a message loop of its own, in which the window may be
// destroyed and the store with it; the handlers check `alive` after it and
// call the remembered handlers through copies.
void TFormPlacement::FormShow() {
  const std::shared_ptr<bool> alive = alive_;
  if (Active) {
    if (const auto failure = FailureOf([this] { RecallPlacement(); }); failure && reportError_) {
      const auto report = reportError_;
      report(*failure);
      if (!*alive) return;
    }
  }
  const auto next = windowShow_;
  if (next) next();
}

void TFormPlacement::FormCloseQuery(bool& canClose) {
  const std::shared_ptr<bool> alive = alive_;
  const auto next = windowCloseQuery_;
  if (next) next(canClose);
  if (!*alive || !canClose || !Active) return;
  if (const auto failure = FailureOf([this] { RecordPlacement(); }); failure && reportError_) {
    const auto report = reportError_;
    report(*failure);
  }
}

void TFormPlacement::FormDestroy() {
  const std::shared_ptr<bool> alive = alive_;
  if (Active && !placementWritten_) {
    writingAtDestroy_ = true;
    const auto failure = FailureOf([this] { RecordPlacement(); });
    writingAtDestroy_ = false;
    if (failure && reportError_) {
      const auto report = reportError_;
      report(*failure);
      if (!*alive) return;
    }
  }
  const auto next = windowDestroy_;
  if (next) next();
}

// ---------------------------------------------------------------------------
// The store with stored values

TFormStorage::TFormStorage() : StoredValues(*this) {}

// Detached here already: the handlers must not reach a half-destroyed store.
TFormStorage::~TFormStorage() { Detach(); }

void TFormStorage::WritePlacementStep() {
  TFormPlacement::WritePlacementStep();
  WriteStoredProps();
  StoredValues.SaveValues();
}

void TFormStorage::ReadPlacementStep() {
  TFormPlacement::ReadPlacementStep();
  ReadStoredProps();
  StoredValues.RestoreValues();
}

std::unique_ptr<TFormStorage> MakeFormStorage1() {
  auto store = std::make_unique<TFormStorage>();
  store->StoredValues.Add(Name(kCurrentBandValue), std::int32_t{0});
  return store;
}

}  // namespace varnholt
