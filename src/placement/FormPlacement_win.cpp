#include "placement/FormPlacement_win.h"

#include <optional>
#include <utility>

#include "common/CodePage_win.h"
#include "common/Gdi_win.h"
#include "common/HostPath_win.h"
#include "common/Rect_win.h"
#include "placement/PlacementText.h"

namespace varnholt {

namespace {

bool NativePlacement(HWND window, WINDOWPLACEMENT& placement) {
  placement = WINDOWPLACEMENT{};
  placement.length = sizeof placement;
  return window != nullptr && IsWindow(window) && GetWindowPlacement(window, &placement);
}

static_assert(kHiddenShowCmd == SW_HIDE);

// The statistics window as a pass sees it.
class PassWindow final : public PlacementWindow {
 public:
  explicit PassWindow(HWND window) : window_(window) {}

  bool GetPlacement(WindowPlacement& placement) override {
    WINDOWPLACEMENT native;
    if (!NativePlacement(window_, native)) return false;
    placement.flags = native.flags;
    placement.showCmd = native.showCmd;
    placement.minPosition = {native.ptMinPosition.x, native.ptMinPosition.y};
    placement.maxPosition = {native.ptMaxPosition.x, native.ptMaxPosition.y};
    placement.normalPosition = RectOf(native.rcNormalPosition);
    return true;
  }
  bool IsVisible() override { return IsWindowVisible(window_) != FALSE; }
  Rect Bounds() override {
    RECT bounds{};
    GetWindowRect(window_, &bounds);
    return RectOf(bounds);
  }
  PlacementSize ScreenSize() override { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }
  std::int32_t PixelsPerInch() override { return ScreenDpi(); }
  bool SetPlacement(const WindowPlacement& placement) override {
    WINDOWPLACEMENT native{};
    native.length = sizeof native;
    native.flags = placement.flags;
    native.showCmd = placement.showCmd;
    native.ptMinPosition = {placement.minPosition.x, placement.minPosition.y};
    native.ptMaxPosition = {placement.maxPosition.x, placement.maxPosition.y};
    native.rcNormalPosition = NativeRect(placement.normalPosition);
    return SetWindowPlacement(window_, &native) != FALSE;
  }
  void Maximise() override {
    if (!IsZoomed(window_)) ShowWindow(window_, SW_SHOWMAXIMIZED);
  }
  void Restore() override {
    if (IsWindowVisible(window_) && (IsZoomed(window_) || IsIconic(window_))) ShowWindow(window_, SW_RESTORE);
  }
  void Repaint() override { UpdateWindow(window_); }

 private:
  HWND window_;
};

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
  return IniFileName.empty() ? PlacementKeyPath(HostExecutablePath(), AnsiCodePage()) : IniFileName;
}

std::string TFormPlacement::Section() const { return IniSection.empty() ? windowClass_ : IniSection; }

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

void TFormPlacement::RecallPlacement() {
  policy_.StartRead();
  {
    PassScope pass(*this, RegistryConnection::Mode::Read);
    policy_.Read(*this, Version, [this] {
      ReadPlacementStep();
      if (OnRestorePlacement) OnRestorePlacement();
    });
  }
  ResetMaximisedPosition();
}

void TFormPlacement::RecordPlacement() {
  if (!policy_.MayWrite(Active)) return;
  PassScope pass(*this, RegistryConnection::Mode::Write);
  policy_.Write(*this, Version, [this] {
    WritePlacementStep();
    if (OnSavePlacement) OnSavePlacement();
  });
}

void TFormPlacement::ReadPlacementStep() {
  PassWindow window(window_);
  policy_.ReadWindow(*this, window, Options);
}

void TFormPlacement::WritePlacementStep() {
  PassWindow window(window_);
  PlacementPolicy::WriteWindow(*this, window, writingAtDestroy_);
}

// A maximised window always goes to the top left corner with its sizing
// border off the screen, whatever position was stored.
void TFormPlacement::ResetMaximisedPosition() {
  WINDOWPLACEMENT placement;
  if (!NativePlacement(window_, placement)) return;
  if (!IsWindowVisible(window_)) placement.showCmd = SW_HIDE;
  placement.ptMaxPosition.x = -GetSystemMetrics(SM_CXFRAME);
  placement.ptMaxPosition.y = -GetSystemMetrics(SM_CYFRAME);
  SetWindowPlacement(window_, &placement);
}

// ---------------------------------------------------------------------------
// Attachment to the window's events

void TFormPlacement::Attach(FormEvents& events, HWND window, std::string windowClass,
                            std::function<void(const std::string&)> reportError) {
  Detach();
  events_ = &events;
  window_ = window;
  windowClass_ = std::move(windowClass);
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
  if (Active && !policy_.Written()) {
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
  AddDesignedValues(store->StoredValues);
  return store;
}

}  // namespace varnholt
