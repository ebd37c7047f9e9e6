#include "DllHost.h"

#include <cstdio>
#include <cstdlib>

namespace host {

namespace {

std::string FreshDatabase() {
  char name[64];
  std::snprintf(name, sizeof name, "/tmp/varnholt-wine-%lu-%lu.db", GetCurrentProcessId(),
                static_cast<unsigned long>(GetTickCount()));
  return name;
}

std::string PlacementKeyPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  name = name.substr(name.find_last_of("\\/:") + 1);
  name = name.substr(0, name.rfind('.'));
  return "Software\\" + name;
}

// Runs `step`; a failure of the log database ends the test program loudly.
template <typename Step>
auto OrExit(Step step) -> decltype(step()) {
  try {
    return step();
  } catch (const varnholt::odbc::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    std::exit(2);
  }
}

}  // namespace

Plugin& LoadPlugin() {
  static Plugin p;
  if (p.module != nullptr) return p;
  const std::string problem = p.Load(VARNHOLT_DLL_PATH);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    std::exit(2);
  }
  return p;
}

void UnloadPlugin() { LoadPlugin().Unload(); }

LogDatabase::LogDatabase()
    : path_(FreshDatabase()),
      log_(OrExit([&] { return varnholt::odbc::Connection("Driver=SQLite3;Database=" + path_); })) {}

LogDatabase::~LogDatabase() {
  log_.Disconnect();
  // The file is the Linux side's: Wine reaches it on drive Z:.
  DeleteFileA(("Z:" + path_).c_str());
}

void LogDatabase::Execute(const std::string& sql) { OrExit([&] { log_.Execute(sql); }); }

void LogDatabase::CreateLogTable(const std::string& table) { OrExit([&] { host::CreateLogTable(log_, table); }); }

void LogDatabase::Insert(const std::string& call, const std::string& band, const std::string& mode,
                         const std::string& report, const std::string& dxcc, const std::string& table) {
  OrExit([&] { InsertLogRow(log_, table, {call, band, mode, report, dxcc, dxcc, "eu"}); });
}

void ForgetPlacement() { RegDeleteTreeA(HKEY_CURRENT_USER, PlacementKeyPath().c_str()); }

std::string StoredPlacementText(const std::string& name) {
  char text[256] = {};
  DWORD size = sizeof text;
  if (RegGetValueA(HKEY_CURRENT_USER, (PlacementKeyPath() + "\\TfmMainForm").c_str(), name.c_str(),
                   RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
    return "(none)";
  return text;
}

namespace {

BOOL CALLBACK CountForm(HWND window, LPARAM counter) {
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpA(cls, "TfmMainForm") == 0) ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

}  // namespace

int FormWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountForm, reinterpret_cast<LPARAM>(&count));
  return count;
}

bool HeapsValid() {
  HANDLE heaps[64];
  const DWORD count = GetProcessHeaps(64, heaps);
  for (DWORD i = 0; i < count && i < 64; ++i)
    if (!HeapValidate(heaps[i], 0, nullptr)) return false;
  return true;
}

void ReleaseAndSettle() {
  LoadPlugin().Release();
  // Give the posted release a few turns of the loop.
  for (int i = 0; i < 5; ++i) {
    PumpMessages();
    Sleep(10);
  }
}

}  // namespace host
