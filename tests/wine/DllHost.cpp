#include "DllHost.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace host {

namespace {

template <typename F>
F Resolve(HMODULE module, const char* name) {
  FARPROC proc = GetProcAddress(module, name);
  if (proc == nullptr) {
    std::fprintf(stderr, "the plug-in has no export %s\n", name);
    std::exit(2);
  }
  return reinterpret_cast<F>(reinterpret_cast<void*>(proc));
}

std::vector<ErrorBoxes::Box>& SeenBoxes() {
  static std::vector<ErrorBoxes::Box> boxes;
  return boxes;
}

// A message box is dismissed as soon as it is activated, and read as it goes:
// only then are its text and styles surely all in place.
LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE || code == HCBT_DESTROYWND) {
    HWND window = reinterpret_cast<HWND>(wParam);
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0) {
      if (code == HCBT_ACTIVATE) {
        PostMessageA(window, WM_COMMAND, IDOK, 0);
      } else {
        ErrorBoxes::OnBoxClosing(window);
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

Plugin& LoadPlugin() {
  static Plugin p;
  if (p.module != nullptr) return p;
  p.module = LoadLibraryA(VARNHOLT_DLL_PATH);
  if (p.module == nullptr) {
    std::fprintf(stderr, "cannot load %s (error %lu)\n", VARNHOLT_DLL_PATH, GetLastError());
    std::exit(2);
  }
  p.GetInfo = Resolve<decltype(p.GetInfo)>(p.module, "_GetInfo");
  p.GetScore = Resolve<decltype(p.GetScore)>(p.module, "_GetScore");
  p.AddQSO = Resolve<decltype(p.AddQSO)>(p.module, "_AddQSO");
  p.GrabNumber = Resolve<decltype(p.GrabNumber)>(p.module, "_GrabNumber");
  p.Run = Resolve<decltype(p.Run)>(p.module, "_Run");
  p.Release = Resolve<decltype(p.Release)>(p.module, "_Release");
  return p;
}

void UnloadPlugin() {
  Plugin& p = LoadPlugin();
  FreeLibrary(p.module);
  p = Plugin{};
}

Record::Record() : bytes_(5916, 0) {}

Record& Record::Text(std::size_t offset, const std::string& text) {
  const std::size_t n = text.size() > 255 ? 255 : text.size();
  bytes_[offset] = static_cast<std::uint8_t>(n);
  std::memcpy(&bytes_[offset + 1], text.data(), n);
  return *this;
}

Record& Record::Connection(SQLHDBC connection) {
  std::memcpy(bytes_.data(), &connection, sizeof connection);
  return *this;
}

Record& Record::Contact(const std::string& call, const std::string& band, const std::string& mode,
                        const std::string& report, const std::string& dxcc) {
  return Text(kCallSign, call).Text(kBand, band).Text(kMode, mode).Text(kReport, report).Text(
      kDxccPrefix, dxcc);
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string WindowText(HWND window) {
  const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT got = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(got));
  return text;
}

HWND ReportBox(HWND form) { return FindWindowExA(form, nullptr, "EDIT", nullptr); }

HWND RecalcButton(HWND form) {
  for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (HWND button = FindWindowExA(child, nullptr, "BUTTON", nullptr)) return button;
  }
  return nullptr;
}

ErrorBoxes::ErrorBoxes() {
  SeenBoxes().clear();
  hook_ = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
}

ErrorBoxes::~ErrorBoxes() {
  if (hook_) UnhookWindowsHookEx(hook_);
}

const std::vector<ErrorBoxes::Box>& ErrorBoxes::Seen() const { return SeenBoxes(); }
void ErrorBoxes::Forget() { SeenBoxes().clear(); }

void ErrorBoxes::OnBoxClosing(HWND box) {
  char caption[256] = {}, text[4096] = {};
  GetWindowTextA(box, caption, sizeof caption);
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  const bool topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  SeenBoxes().push_back({caption, text, topmost, GetWindow(box, GW_OWNER) != nullptr});
}

LogDatabase::LogDatabase() {
  char name[64];
  std::snprintf(name, sizeof name, "/tmp/varnholt-wine-%lu-%lu.db", GetCurrentProcessId(),
                static_cast<unsigned long>(GetTickCount()));
  path_ = name;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
  SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
  const std::string connect = "Driver=SQLite3;Database=" + path_;
  SQLCHAR out[512];
  SQLSMALLINT outLength = 0;
  const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)connect.c_str(), SQL_NTS, out,
                                        sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    std::fprintf(stderr, "cannot connect to %s through ODBC\n", connect.c_str());
    std::exit(2);
  }
}

LogDatabase::~LogDatabase() {
  SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  SQLFreeHandle(SQL_HANDLE_ENV, env_);
  // The file is the Linux side's: Wine reaches it on drive Z:.
  DeleteFileA(("Z:" + path_).c_str());
}

void LogDatabase::Execute(const std::string& sql) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt);
  const SQLRETURN rc = SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
    std::fprintf(stderr, "statement failed: %s\n", sql.c_str());
    std::exit(2);
  }
}

void LogDatabase::CreateLogTable(const std::string& table) {
  Execute("CREATE TABLE " + table +
          " (Id INTEGER PRIMARY KEY, CallSign TEXT, DigiBand TEXT, QSOMode TEXT, Continent TEXT,"
          " QSOReportRecived TEXT, MainPrefix TEXT, DXCCPrefix TEXT)");
}

void LogDatabase::Insert(const std::string& call, const std::string& band, const std::string& mode,
                         const std::string& report, const std::string& dxcc,
                         const std::string& table) {
  Execute("INSERT INTO " + table +
          " (CallSign, DigiBand, QSOMode, Continent, QSOReportRecived, MainPrefix, DXCCPrefix)"
          " VALUES ('" + call + "','" + band + "','" + mode + "','eu','" + report + "','" + dxcc +
          "','" + dxcc + "')");
}

namespace {

std::string PlacementKeyPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  name = name.substr(name.find_last_of("\\/:") + 1);
  name = name.substr(0, name.rfind('.'));
  return "Software\\" + name;
}

}  // namespace

void ForgetPlacement() { RegDeleteTreeA(HKEY_CURRENT_USER, PlacementKeyPath().c_str()); }

std::string StoredPlacementText(const std::string& name) {
  char text[256] = {};
  DWORD size = sizeof text;
  if (RegGetValueA(HKEY_CURRENT_USER, (PlacementKeyPath() + "\\TfmMainForm").c_str(), name.c_str(),
                   RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
    return "(none)";
  return text;
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
