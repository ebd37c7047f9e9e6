// A SQLite log database in a temporary directory, reached through the ODBC
// driver manager the way the host reaches its log: the test opens the
// connection and lends its handle, as the host does.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace varnholt::testing {

class OdbcTestDb {
 public:
  OdbcTestDb() {
    char dir[] = "/tmp/varnholt-odbc-XXXXXX";
    if (!mkdtemp(dir)) throw std::runtime_error("mkdtemp failed");
    dir_ = dir;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    Connect();
  }
  ~OdbcTestDb() {
    Disconnect();
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
    std::filesystem::remove_all(dir_);
  }
  OdbcTestDb(const OdbcTestDb&) = delete;
  OdbcTestDb& operator=(const OdbcTestDb&) = delete;

  // The handle the host would put into its record.
  std::uintptr_t Connection() const { return reinterpret_cast<std::uintptr_t>(dbc_); }
  SQLHENV Environment() const { return env_; }

  void Connect() {
    std::string in = "Driver=SQLite3;Database=" + dir_ + "/log.db";
    SQLCHAR out[512];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(&in[0]), SQL_NTS, out,
                                          sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) throw std::runtime_error("cannot connect to " + in);
    connected_ = true;
  }
  // False when the driver refuses, as it does while a statement is left.
  bool Disconnect() {
    if (connected_ && !SQL_SUCCEEDED(SQLDisconnect(dbc_))) return false;
    connected_ = false;
    return true;
  }

  // Runs `sql` on a statement of the test's own; returns "" on success, else
  // the driver's message.
  std::string Exec(const std::string& sql) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) return "no statement";
    std::string text = sql;
    std::string error;
    const SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(&text[0]), SQL_NTS);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
      SQLCHAR state[6], message[1024];
      SQLINTEGER native = 0;
      SQLSMALLINT length = 0;
      SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, message, sizeof message, &length);
      error.assign(reinterpret_cast<char*>(message), std::min<std::size_t>(length, sizeof message - 1));
      if (error.empty()) error = "failed";
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return error;
  }

 private:
  std::string dir_;
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool connected_ = false;
};

}  // namespace varnholt::testing
