#include "odbc/Connection.h"
#include "odbc/Diagnostics.h"

#ifdef _WIN32
// Windows' <sql.h> is built on the types <windows.h> declares; this file
// keeps them to itself.
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace varnholt::odbc {

namespace {

// `failure` with every diagnostic record on `handle`.
Error Failure(const std::string& failure, SQLSMALLINT handleType, SQLHANDLE handle) {
  std::string what = failure, first, state;
  for (SQLSMALLINT i = 1;; ++i) {
    const std::string text = DiagnosticText(handleType, handle, i, &state);
    if (state.empty()) return Error(i == 1 ? what + " (no diagnostics)" : what, first);
    what += (i == 1 ? ": [" : "; [") + state + "] " + text;
    if (i == 1) first = text;
  }
}

SQLCHAR* Text(const std::string& text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())); }

}  // namespace

Connection::Connection(const std::string& connectionString) {
  SQLHENV env = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
    throw Failure("cannot allocate an ODBC environment", SQL_HANDLE_ENV, SQL_NULL_HANDLE);
  env_ = env;
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  try {
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc)))
      throw Failure("cannot allocate an ODBC connection", SQL_HANDLE_ENV, env);
    dbc_ = dbc;
    Connect(connectionString);
  } catch (...) {
    Release();
    throw;
  }
}

Connection::~Connection() { Release(); }

Connection::Connection(Connection&& other) noexcept
    : env_(std::exchange(other.env_, nullptr)),
      dbc_(std::exchange(other.dbc_, nullptr)),
      connected_(std::exchange(other.connected_, false)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
  if (this != &other) {
    Release();
    env_ = std::exchange(other.env_, nullptr);
    dbc_ = std::exchange(other.dbc_, nullptr);
    connected_ = std::exchange(other.connected_, false);
  }
  return *this;
}

void Connection::Release() {
  Disconnect();
  if (dbc_ != nullptr) SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(dbc_));
  if (env_ != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(env_));
  dbc_ = env_ = nullptr;
}

void Connection::Connect(const std::string& connectionString) {
  SQLCHAR out[1024];
  SQLSMALLINT outLength = 0;
  const SQLRETURN rc = SQLDriverConnect(static_cast<SQLHDBC>(dbc_), nullptr, Text(connectionString), SQL_NTS, out,
                                        sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc))
    throw Failure("cannot connect to the log with '" + connectionString + "'", SQL_HANDLE_DBC, dbc_);
  connected_ = true;
}

bool Connection::Disconnect() {
  if (connected_ && !SQL_SUCCEEDED(SQLDisconnect(static_cast<SQLHDBC>(dbc_)))) return false;
  connected_ = false;
  return true;
}

void Connection::Execute(const std::string& sql, const std::vector<std::string>& values, std::string failure) {
  if (failure.empty()) failure = "statement failed: " + sql;
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(dbc_), &stmt)))
    throw Failure(failure, SQL_HANDLE_DBC, dbc_);
  std::vector<SQLLEN> lengths(values.size());
  SQLRETURN rc = SQL_SUCCESS;
  for (std::size_t i = 0; i < values.size() && SQL_SUCCEEDED(rc); ++i) {
    lengths[i] = static_cast<SQLLEN>(values[i].size());
    rc = SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                          values[i].empty() ? 1 : values[i].size(), 0, Text(values[i]), lengths[i], &lengths[i]);
  }
  if (SQL_SUCCEEDED(rc)) rc = SQLExecDirect(stmt, Text(sql), SQL_NTS);
  const bool failed = !SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA;
  const Error error = failed ? Failure(failure, SQL_HANDLE_STMT, stmt) : Error(failure, {});
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  if (failed) throw error;
}

}  // namespace varnholt::odbc
