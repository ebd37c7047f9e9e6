#include "ImportFaults.h"

#include "ImportPatch.h"

#include <sql.h>
#include <sqlext.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <set>
#include <tuple>
#include <type_traits>

namespace host::faults {

namespace {

// Functions whose failure we inject: DLL, name, the documented failure value,
// the last error it sets, and whether it releases something (a release that
// "fails" still releases: a handle left behind would be the harness's doing,
// not the plug-in's).
#define VARNHOLT_FAILABLE_IMPORTS(X)                                               \
  X(USER32, CreateWindowExA, 0, ERROR_NOT_ENOUGH_MEMORY, false)                    \
  X(USER32, RegisterClassExA, 0, ERROR_NOT_ENOUGH_MEMORY, false)                   \
  X(USER32, LoadImageA, 0, ERROR_NOT_ENOUGH_MEMORY, false)                         \
  X(USER32, LoadCursorA, 0, ERROR_NOT_ENOUGH_MEMORY, false)                        \
  X(USER32, GetDC, 0, ERROR_NOT_ENOUGH_MEMORY, false)                              \
  X(USER32, ReleaseDC, 0, ERROR_INVALID_HANDLE, true)                              \
  X(USER32, SetWindowTextA, FALSE, ERROR_NOT_ENOUGH_MEMORY, false)                 \
  X(USER32, PostMessageA, FALSE, ERROR_NOT_ENOUGH_QUOTA, false)                    \
  X(USER32, MessageBoxA, 0, ERROR_NOT_ENOUGH_MEMORY, false)                        \
  X(GDI32, CreateFontA, 0, ERROR_NOT_ENOUGH_MEMORY, false)                         \
  X(GDI32, DeleteObject, FALSE, ERROR_INVALID_HANDLE, true)                        \
  X(ADVAPI32, RegCreateKeyExA, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, false)    \
  X(ADVAPI32, RegOpenKeyExA, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, false)      \
  X(ADVAPI32, RegQueryValueExA, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, false)   \
  X(ADVAPI32, RegSetValueExA, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, false)     \
  X(ADVAPI32, RegCloseKey, ERROR_INVALID_HANDLE, ERROR_INVALID_HANDLE, true)       \
  X(ODBC32, SQLAllocHandle, SQL_ERROR, 0, false)                                   \
  X(ODBC32, SQLExecDirect, SQL_ERROR, 0, false)                                    \
  X(ODBC32, SQLNumResultCols, SQL_ERROR, 0, false)                                 \
  X(ODBC32, SQLDescribeCol, SQL_ERROR, 0, false)                                   \
  X(ODBC32, SQLBindCol, SQL_ERROR, 0, false)                                       \
  X(ODBC32, SQLFetch, SQL_ERROR, 0, false)                                         \
  X(ODBC32, SQLGetDiagRec, SQL_ERROR, 0, false)                                    \
  X(ODBC32, SQLFreeHandle, SQL_ERROR, 0, true)                                     \
  X(KERNEL32, GetModuleFileNameA, 0, ERROR_INSUFFICIENT_BUFFER, false)             \
  X(KERNEL32, GetModuleHandleExA, FALSE, ERROR_NOT_ENOUGH_MEMORY, false)          \
  X(msvcrt, malloc, 0, 0, false)                                                   \
  X(msvcrt, calloc, 0, 0, false)                                                   \
  X(msvcrt, realloc, 0, 0, false)

enum class Id {
#define VARNHOLT_ID(dll, name, value, error, release) name,
  VARNHOLT_FAILABLE_IMPORTS(VARNHOLT_ID)
#undef VARNHOLT_ID
};

struct Entry {
  const char* dll;
  const char* name;
  std::intptr_t failValue;
  DWORD error;
  bool release;
  void* wrapper;
  void* original;
  long calls;  // since Arm
};

bool armed = false;
long calls = 0;
long failAt = 0;
const char* failed = nullptr;

// What the plug-in holds, by kind.
std::set<void*> gdiObjects, registryKeys, statements, deviceContexts;
std::set<HWND> windows;

bool ShouldFail(Entry& e) {
  if (!armed) return false;
  ++e.calls;
  if (++calls != failAt) return false;
  failed = e.name;
  return true;
}

template <typename R>
R FailValue(std::intptr_t value) {
  if constexpr (std::is_pointer_v<R>) {
    return reinterpret_cast<R>(value);
  } else {
    return static_cast<R>(value);
  }
}

template <typename T>
void* Handle(T value) {
  return reinterpret_cast<void*>(value);
}

// Keeps the account after a call that went through to the system.
template <Id id, typename R, typename... A>
void Track(R result, A... args) {
  const auto arg = std::make_tuple(args...);
  if constexpr (id == Id::CreateFontA || id == Id::LoadImageA) {
    if (result) gdiObjects.insert(Handle(result));
  } else if constexpr (id == Id::DeleteObject) {
    gdiObjects.erase(Handle(std::get<0>(arg)));
  } else if constexpr (id == Id::RegCreateKeyExA) {
    if (result == ERROR_SUCCESS) registryKeys.insert(Handle(*std::get<7>(arg)));
  } else if constexpr (id == Id::RegOpenKeyExA) {
    if (result == ERROR_SUCCESS) registryKeys.insert(Handle(*std::get<4>(arg)));
  } else if constexpr (id == Id::RegCloseKey) {
    registryKeys.erase(Handle(std::get<0>(arg)));
  } else if constexpr (id == Id::SQLAllocHandle) {
    if (SQL_SUCCEEDED(result) && std::get<0>(arg) == SQL_HANDLE_STMT) statements.insert(*std::get<2>(arg));
  } else if constexpr (id == Id::SQLFreeHandle) {
    if (std::get<0>(arg) == SQL_HANDLE_STMT) statements.erase(std::get<1>(arg));
  } else if constexpr (id == Id::GetDC) {
    if (result) deviceContexts.insert(Handle(result));
  } else if constexpr (id == Id::ReleaseDC) {
    deviceContexts.erase(Handle(std::get<1>(arg)));
  } else if constexpr (id == Id::CreateWindowExA) {
    if (result) windows.insert(result);
  }
}

Entry& EntryOf(Id id);

template <Id id, typename Function, typename R, typename... A>
R Through(A... args) {
  Entry& e = EntryOf(id);
  const auto original = reinterpret_cast<Function>(e.original);
  if (ShouldFail(e)) {
    if (e.release) Track<id>(original(args...), args...);
    if (e.error) SetLastError(e.error);
    if (std::strcmp(e.dll, "msvcrt") == 0) errno = ENOMEM;
    return FailValue<R>(e.failValue);
  }
  const R result = original(args...);
  Track<id>(result, args...);
  return result;
}

template <Id id, typename R, typename... A>
R WINAPI SystemWrapper(A... args) {
  return Through<id, R(WINAPI*)(A...), R, A...>(args...);
}

template <Id id, typename R, typename... A>
void* WrapperFor(R(WINAPI*)(A...)) {
  return reinterpret_cast<void*>(&SystemWrapper<id, R, A...>);
}

#if defined(__i386__)
// The C runtime's functions use the caller-cleans convention, not WINAPI's.
template <Id id, typename R, typename... A>
R RuntimeWrapper(A... args) {
  return Through<id, R (*)(A...), R, A...>(args...);
}

template <Id id, typename R, typename... A>
void* WrapperFor(R (*)(A...)) {
  return reinterpret_cast<void*>(&RuntimeWrapper<id, R, A...>);
}
#endif

Entry entries[] = {
#define VARNHOLT_ENTRY(dll, name, value, error, release)                                           \
  {#dll, #name, static_cast<std::intptr_t>(value), static_cast<DWORD>(error), release,            \
   WrapperFor<Id::name>(&::name), reinterpret_cast<void*>(&::name), 0},
    VARNHOLT_FAILABLE_IMPORTS(VARNHOLT_ENTRY)
#undef VARNHOLT_ENTRY
};

Entry& EntryOf(Id id) { return entries[static_cast<int>(id)]; }

}  // namespace

int Install(HMODULE plugin) {
  int patched = 0;
  for (Entry& e : entries) {
    void* const before = PatchImport(plugin, e.dll, e.name, e.wrapper);
    if (before == nullptr) continue;
    ++patched;
    if (before != e.wrapper) e.original = before;  // not patched before
  }
  return patched;
}

void Arm(long n) {
  armed = true;
  calls = 0;
  for (Entry& e : entries) e.calls = 0;
  failAt = n;
  failed = nullptr;
}

void Disarm() { armed = false; }
long Calls() { return calls; }

long Calls(const std::string& function) {
  for (const Entry& e : entries)
    if (function == e.name) return e.calls;
  return -1;
}

std::string Failed() { return failed ? failed : ""; }

std::vector<std::string> Held() {
  std::vector<std::string> held;
  auto list = [&](const char* what, std::size_t count) {
    if (count) held.push_back(std::to_string(count) + " " + what);
  };
  list("GDI objects (fonts, bitmaps) not deleted", gdiObjects.size());
  list("registry keys not closed", registryKeys.size());
  list("ODBC statements not freed", statements.size());
  list("device contexts not released", deviceContexts.size());
  for (auto w = windows.begin(); w != windows.end();) w = IsWindow(*w) ? std::next(w) : windows.erase(w);
  list("windows not destroyed", windows.size());
  return held;
}

}  // namespace host::faults
