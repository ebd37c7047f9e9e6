// An ODBC connection of our own: an environment and a connection handle,
// connected by a connection string, disconnected and freed when it goes.
// Hosts open one and lend its handle to the plug-in (the stand-in host, the
// Windows tests' host, the native tests); the scorer's --db mode opens one to
// read a log table. The plug-in itself never opens one: it borrows the
// host's (mainform/LogQuery.h).
//
// This header is portable: it names no ODBC or Windows type.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace varnholt::odbc {

// One diagnostic record of the driver or the driver manager.
struct Diagnostic {
  std::string state;  // the five-character SQLSTATE
  std::string text;   // whole, however long
};

// A failed ODBC call. what() is the failure, then ": [state] text" for each
// record, joined by "; ", or " (no diagnostics)" when there is none.
class Error : public std::runtime_error {
 public:
  Error(const std::string& failure, std::vector<Diagnostic> records);
  const std::vector<Diagnostic>& Records() const { return records_; }

 private:
  std::vector<Diagnostic> records_;
};

class Connection {
 public:
  // Allocates an ODBC 3 environment and a connection and connects without
  // prompting. Throws Error ("cannot connect to 'STRING'" and the driver's
  // records when the connection fails).
  explicit Connection(const std::string& connectionString);
  // Disconnects, if still connected, and frees both handles.
  ~Connection();
  Connection(Connection&& other) noexcept;
  Connection& operator=(Connection&& other) noexcept;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The connection (an SQLHDBC), as a host lends it to the plug-in.
  std::uintptr_t Handle() const { return reinterpret_cast<std::uintptr_t>(dbc_); }
  // The environment (an SQLHENV).
  std::uintptr_t Environment() const { return reinterpret_cast<std::uintptr_t>(env_); }

  // Connects again (after Disconnect), as the constructor does.
  void Connect(const std::string& connectionString);
  // False when the driver refuses, as the SQLite driver does while a
  // statement is allocated on the connection; it then stays connected.
  bool Disconnect();

  // Runs `sql` on a statement of its own, freed before returning, with each
  // "?" in it bound to the next of `values` as text (never spliced into the
  // statement). Throws Error naming the statement when it fails.
  void Execute(const std::string& sql, const std::vector<std::string>& values = {});

 private:
  void Release();

  void* env_ = nullptr;
  void* dbc_ = nullptr;
  bool connected_ = false;
};

}  // namespace varnholt::odbc
