// The six functions the host calls, over CurrentQso and the one statistics
// window. They are the boundary with the host: nothing thrown inside may
// cross it, because an exception unwinding into the host ends the host's
// process. _Release swallows every failure; the others report it in the
// error box and answer 0. Each export is an entry of the library's own
// (LibraryHold_win.h) over its body here, so that a host unloading the
// library among messages the body processed gets its call back first.
#include <windows.h>

#include <cstdint>

#include "common/LibraryHold_win.h"
#include "mainform/ErrorBox_win.h"
#include "mainform/MainForm_win.h"
#include "plugin/Plugin.h"

// The host passes arguments in registers (EAX, EDX, ECX) in the 32-bit build.
#if defined(__i386__)
#define VARNHOLT_HOSTCALL __attribute__((regparm(3)))
#else
#define VARNHOLT_HOSTCALL
#endif

using namespace varnholt;

namespace {

// The one statistics window the entry points use, or none. Cleared at once by
// _Release and by the window itself when it is closed for real or destroyed;
// the window object goes later, when the host's message loop runs.
TfmMainForm* fmMainForm = nullptr;

void Forget(TfmMainForm& form) {
  if (fmMainForm == &form) fmMainForm = nullptr;
}

}  // namespace

extern "C" {

// An entry that finds no window processes no messages (nothing it does can
// fail into an error box either), so it is not counted: the host's calls
// without a window leave the library's own data as they found it.
VARNHOLT_HOSTCALL void varnholt_GetInfo(void* infoRecord) {
  const LibraryEntry entry(fmMainForm != nullptr);
  ReportingFailures([&] { WritePluginInfo(infoRecord); });
}

VARNHOLT_HOSTCALL std::int32_t varnholt_GetScore(const void* hostRecord) {
  const LibraryEntry entry(fmMainForm != nullptr);
  return ReportingFailures([&]() -> std::int32_t {
    CurrentQso().CopyFrom(hostRecord);
    if (fmMainForm == nullptr) return 0;
    return fmMainForm->ScoreQso(CurrentQso().View(), ScoreMode::Check);
  });
}

VARNHOLT_HOSTCALL std::int32_t varnholt_AddQSO(const void* hostRecord) {
  const LibraryEntry entry(fmMainForm != nullptr);
  return ReportingFailures([&]() -> std::int32_t {
    CurrentQso().CopyFrom(hostRecord);
    if (fmMainForm == nullptr) return 0;
    const std::int32_t result = fmMainForm->ScoreQso(CurrentQso().View(), ScoreMode::Record);
    // The contact is recorded: a report that cannot be redrawn is shown as a
    // failure, but the host still gets the contact's answer.
    TfmMainForm* form = fmMainForm;
    ReportingFailures([form] { form->ShowStatistics(); });
    return result;
  });
}

VARNHOLT_HOSTCALL void varnholt_GrabNumber(const void* hostRecord, void* numberSlot) {
  const LibraryEntry entry(fmMainForm != nullptr);
  ReportingFailures([&] {
    CurrentQso().CopyFrom(hostRecord);
    WriteSlot(static_cast<std::uint8_t*>(numberSlot), "");
  });
}

VARNHOLT_HOSTCALL HWND varnholt_Run(std::int32_t /*ignored*/, const void* hostRecord) {
  const LibraryEntry entry;
  return ReportingFailures([&]() -> HWND {
    if (fmMainForm == nullptr) {
      // An existing window ignores the record; a new one is built from it.
      CurrentQso().CopyFrom(hostRecord);
      fmMainForm = new TfmMainForm(CurrentQso(), Forget);
    }
    TfmMainForm* form = fmMainForm;
    const HWND handle = form->Handle();
    form->Show();  // may end in the window's release; `form` is not used after it
    return handle;
  });
}

VARNHOLT_HOSTCALL void varnholt_Release() {
  const LibraryEntry entry;
  try {
    TfmMainForm* form = fmMainForm;
    fmMainForm = nullptr;
    if (form != nullptr) form->Release();
  } catch (...) {
    // Whatever went wrong, the host gets its call back.
  }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // Only the minimum here: the loader lock is held. When the library is
  // unloaded by FreeLibrary (not at process end, when it no longer matters),
  // a window of ours would outlive its window procedure's code, released or
  // not: the host's next message turn would crash. It goes now, as a release
  // would end it, and with it the classes.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    const LibraryEntry entry;  // the window's procedure runs inside it
    fmMainForm = nullptr;
    DestroyWindowsAtUnload();
    UnregisterWindowClasses();
    ReleaseLibraryHoldAtUnload();
  }
  return TRUE;
}

}  // extern "C"

