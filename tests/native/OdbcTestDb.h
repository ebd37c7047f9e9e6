// A SQLite log database in a temporary directory, reached through the ODBC
// driver manager the way the host reaches its log: the test opens the
// connection and lends its handle, as the host does.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "odbc/Connection.h"

namespace varnholt::testing {

class OdbcTestDb {
 public:
  OdbcTestDb() : connection_(ConnectionString()) {}
  OdbcTestDb(const OdbcTestDb&) = delete;
  OdbcTestDb& operator=(const OdbcTestDb&) = delete;

  // The handle the host would put into its record.
  std::uintptr_t Connection() const { return connection_.Handle(); }
  SQLHENV Environment() const { return reinterpret_cast<SQLHENV>(connection_.Environment()); }

  void Connect() { connection_.Connect(ConnectionString()); }
  // False when the driver refuses, as it does while a statement is left.
  bool Disconnect() { return connection_.Disconnect(); }

  // Runs `sql` on a statement of the test's own; returns "" on success, else
  // the driver's message.
  std::string Exec(const std::string& sql) {
    try {
      connection_.Execute(sql);
      return "";
    } catch (const odbc::Error& e) {
      return e.FirstText().empty() ? "failed" : e.FirstText();
    }
  }

 private:
  // The directory, made first and removed last.
  struct Directory {
    Directory() {
      char dir[] = "/tmp/varnholt-odbc-XXXXXX";
      if (!mkdtemp(dir)) throw std::runtime_error("mkdtemp failed");
      path = dir;
    }
    ~Directory() { std::filesystem::remove_all(path); }
    std::string path;
  };

  std::string ConnectionString() const { return "Driver=SQLite3;Database=" + dir_.path + "/log.db"; }

  Directory dir_;
  odbc::Connection connection_;
};

}  // namespace varnholt::testing
