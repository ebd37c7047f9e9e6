// The six functions the host calls, over CurrentQso and the one statistics
// window. They are the boundary with the host: nothing thrown inside may
// cross it, because an exception unwinding into the host ends the host's
// process. _Release swallows every failure; the others report it in the
// error box and answer 0.
//
// The library's life: before it builds a window, _Run pins the library,
// which then stays mapped until the process ends, whatever FreeLibrary calls
// follow. From then on its code runs among the host's messages (the window's
// procedures, the messages a re-scan or an error box processes), where a
// host handler may unload its plug-ins at any moment; pinned, the library is
// never unmapped under its own frames or its window. Without a window
// nothing of it processes messages, and a host that never opens one loads
// and unloads it freely. There is no DllMain of ours (the runtime's answers
// TRUE): nothing is set up at load, nothing is left to tear down under the
// loader lock, and the window ends only through its own messages.
#include <windows.h>

#include <cstdint>

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

// Keeps this library mapped until the process ends. Taken again for every
// window built (pinning a pinned library changes nothing). False when the
// system refuses it.
bool PinLibrary() {
  HMODULE self = nullptr;
  return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&PinLibrary), &self) != FALSE;
}

}  // namespace

extern "C" {

VARNHOLT_HOSTCALL void _GetInfo(void* infoRecord) {
  ReportingFailures([&] { WritePluginInfo(infoRecord); });
}

VARNHOLT_HOSTCALL std::int32_t _GetScore(const void* hostRecord) {
  return ReportingFailures([&]() -> std::int32_t {
    CurrentQso().CopyFrom(hostRecord);
    if (fmMainForm == nullptr) return 0;
    return fmMainForm->ScoreQso(CurrentQso().View(), ScoreMode::Check);
  });
}

VARNHOLT_HOSTCALL std::int32_t _AddQSO(const void* hostRecord) {
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

VARNHOLT_HOSTCALL void _GrabNumber(const void* hostRecord, void* numberSlot) {
  ReportingFailures([&] {
    CurrentQso().CopyFrom(hostRecord);
    WriteSlot(static_cast<std::uint8_t*>(numberSlot), "");
  });
}

VARNHOLT_HOSTCALL HWND _Run(std::int32_t /*ignored*/, const void* hostRecord) {
  return ReportingFailures([&]() -> HWND {
    if (fmMainForm == nullptr) {
      // Unpinned, nothing of the library may process messages: a host
      // handler unloading it in there would crash the host. So without the
      // pin there is no window, nor an error box to say so (its loop
      // processes messages too): the host gets no handle, as for a window
      // that cannot be built, and the next _Run tries again.
      if (!PinLibrary()) return nullptr;
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

VARNHOLT_HOSTCALL void _Release() {
  try {
    TfmMainForm* form = fmMainForm;
    fmMainForm = nullptr;
    if (form != nullptr) form->Release();
  } catch (...) {
    // Whatever went wrong, the host gets its call back.
  }
}

}  // extern "C"
