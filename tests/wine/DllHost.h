// What the Windows tests need to stand where the host stands: the host kit
// (tools/hostkit: records, entry points, message loop, window controls,
// error boxes) with this build's DLL loaded by name, and a log database
// reached through ODBC.
#pragma once

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <string>

#include "HostAbi.h"
#include "HostLoop.h"
#include "odbc/Connection.h"

namespace host {

// Loads the DLL (again, after UnloadPlugin); aborts the test program if it
// cannot. The same Plugin is returned every time.
Plugin& LoadPlugin();
// FreeLibrary, as a host unloading its plug-ins does.
void UnloadPlugin();

// A log database of the host's: a fresh SQLite file reached through ODBC,
// with an open connection handle like the one the host passes.
class LogDatabase {
 public:
  LogDatabase();
  ~LogDatabase();
  LogDatabase(const LogDatabase&) = delete;
  LogDatabase& operator=(const LogDatabase&) = delete;

  SQLHDBC Connection() const { return reinterpret_cast<SQLHDBC>(log_.Handle()); }
  // Runs a statement; fails the test program loudly if it fails.
  void Execute(const std::string& sql);
  void CreateLogTable(const std::string& table = "Log");
  // A row of the continent "eu", whose main prefix is its DXCC prefix.
  void Insert(const std::string& call, const std::string& band, const std::string& mode,
              const std::string& report, const std::string& dxcc = "DL",
              const std::string& table = "Log");

 private:
  std::string path_;
  varnholt::odbc::Connection log_;
};

// Deletes the placement the plug-in remembers for this program (the key is
// named after the host's executable), so the window opens as designed.
void ForgetPlacement();
// The text the plug-in stored under `name` for this program; "(none)".
std::string StoredPlacementText(const std::string& name);

// Ends the plug-in's window, if any, and lets the loop destroy it, so that
// each test starts with no window.
void ReleaseAndSettle();

// The statistics windows of this thread.
int FormWindows();
// Whether every heap of the process passes validation.
bool HeapsValid();

}  // namespace host
