// What the Windows tests need to stand where the host stands: the plug-in
// loaded by name, host records, a message loop, the window's controls, the
// error boxes the plug-in shows, and a log database reached through ODBC.
#pragma once

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <string>
#include <vector>

// The host passes arguments in registers (EAX, EDX, ECX) in the 32-bit
// build. Calling through these types is what makes a wrong convention on the
// plug-in's side fail a test.
#if defined(__i386__)
#define HOSTCALL __attribute__((regparm(3)))
#else
#define HOSTCALL
#endif

namespace host {

// The six entry points, found by name as the host finds them.
struct Plugin {
  HMODULE module = nullptr;
  void(HOSTCALL* GetInfo)(void* info) = nullptr;
  std::int32_t(HOSTCALL* GetScore)(const void* record) = nullptr;
  std::int32_t(HOSTCALL* AddQSO)(const void* record) = nullptr;
  void(HOSTCALL* GrabNumber)(const void* record, void* slot) = nullptr;
  HWND(HOSTCALL* Run)(std::int32_t ignored, const void* record) = nullptr;
  void(HOSTCALL* Release)() = nullptr;
};

// Loads the DLL (again, after UnloadPlugin); aborts the test program if it
// cannot. The same Plugin is returned every time.
Plugin& LoadPlugin();
// FreeLibrary, as a host unloading its plug-ins does.
void UnloadPlugin();

// A HostQsoRecord filled as the host fills it.
class Record {
 public:
  Record();
  Record& Text(std::size_t offset, const std::string& text);
  Record& Connection(SQLHDBC connection);
  Record& Contact(const std::string& call, const std::string& band, const std::string& mode,
                  const std::string& report = "599", const std::string& dxcc = "DL");
  const void* data() const { return bytes_.data(); }

  static constexpr std::size_t kLogTableName = 12, kCallSign = 268, kBand = 540, kMode = 796,
                               kContinent = 1052, kReport = 1308, kMainPrefix = 2332,
                               kDxccPrefix = 2588, kStationLabel = 3868, kStationPrefix = 4636;

 private:
  std::vector<std::uint8_t> bytes_;
};

// One turn of a host's message loop: every pending message, none waited for.
void PumpMessages();
// Pumps until `done` holds or `timeoutMs` passes.
template <typename Done>
bool PumpUntil(Done done, int timeoutMs = 5000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) return false;
    PumpMessages();
    Sleep(5);
  }
  return true;
}

std::string WindowText(HWND window);  // through WM_GETTEXT
HWND ReportBox(HWND form);            // the report text box
HWND RecalcButton(HWND form);         // the "Recalc Statistic" button

// Error boxes shown on this thread while it lives: each one's text and
// caption are recorded and the box is dismissed, as a user would.
class ErrorBoxes {
 public:
  struct Box {
    std::string caption;
    std::string text;
    bool topmost;  // above always-on-top windows
    bool owned;    // has an owner window
  };
  ErrorBoxes();
  ~ErrorBoxes();
  ErrorBoxes(const ErrorBoxes&) = delete;
  ErrorBoxes& operator=(const ErrorBoxes&) = delete;
  const std::vector<Box>& Seen() const;
  void Forget();

  // Called from the box's own message loop as it is destroyed.
  static void OnBoxClosing(HWND box);

 private:
  HHOOK hook_ = nullptr;
};

// A log database of the host's: a fresh SQLite file reached through ODBC,
// with an open connection handle like the one the host passes.
class LogDatabase {
 public:
  LogDatabase();
  ~LogDatabase();
  LogDatabase(const LogDatabase&) = delete;
  LogDatabase& operator=(const LogDatabase&) = delete;

  SQLHDBC Connection() const { return dbc_; }
  // Runs a statement; fails the test program loudly if it fails.
  void Execute(const std::string& sql);
  void CreateLogTable(const std::string& table = "Log");
  void Insert(const std::string& call, const std::string& band, const std::string& mode,
              const std::string& report, const std::string& dxcc = "DL",
              const std::string& table = "Log");

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  std::string path_;
};

// Deletes the placement the plug-in remembers for this program (the key is
// named after the host's executable), so the window opens as designed.
void ForgetPlacement();
// The text the plug-in stored under `name` for this program; "(none)".
std::string StoredPlacementText(const std::string& name);

// Ends the plug-in's window, if any, and lets the loop destroy it, so that
// each test starts with no window.
void ReleaseAndSettle();

}  // namespace host
