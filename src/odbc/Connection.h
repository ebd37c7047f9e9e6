// An ODBC connection of our own: an environment and a connection handle,
// connected by a connection string, disconnected and freed when it goes.
// Hosts open one and lend its handle to the plug-in (the stand-in host, the
// Windows tests' host, the native tests); the scorer's --db mode opens one to
// read a log table. The plug-in never opens one: it borrows the host's
// (mainform/LogQuery.h).
//
// This header is portable: it names no ODBC or Windows type.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace varnholt::odbc {

// A failed ODBC call. what() is the failure, then ": [state] text" for each
// of the driver's diagnostic records, joined by "; ", or " (no diagnostics)".
class Error : public std::runtime_error {
 public:
  Error(const std::string& what, std::string firstText)
      : std::runtime_error(what), firstText_(std::move(firstText)) {}
  // The first record's text alone, whole; empty when there is none.
  const std::string& FirstText() const { return firstText_; }

 private:
  std::string firstText_;
};

class Connection {
 public:
  // Allocates an ODBC 3 environment and a connection and connects, as Connect.
  explicit Connection(const std::string& connectionString);
  // Disconnects, if still connected, and frees both handles.
  ~Connection();
  Connection(Connection&& other) noexcept;
  Connection& operator=(Connection&& other) noexcept;

  // The connection (an SQLHDBC), as a host lends it to the plug-in.
  std::uintptr_t Handle() const { return reinterpret_cast<std::uintptr_t>(dbc_); }
  // The environment (an SQLHENV).
  std::uintptr_t Environment() const { return reinterpret_cast<std::uintptr_t>(env_); }

  // Connects without prompting (again, after Disconnect). Throws Error
  // "cannot connect to the log with 'STRING'".
  void Connect(const std::string& connectionString);
  // False when the driver refuses, as the SQLite driver does while a
  // statement is allocated on the connection; it then stays connected.
  bool Disconnect();

  // Runs `sql` on a statement of its own, freed before returning, with each
  // "?" in it bound to the next of `values` as text (never spliced into the
  // statement). Throws Error with `failure`, by default "statement failed: SQL".
  void Execute(const std::string& sql, const std::vector<std::string>& values = {}, std::string failure = {});

 private:
  void Release();

  void* env_ = nullptr;
  void* dbc_ = nullptr;
  bool connected_ = false;
};

}  // namespace varnholt::odbc
