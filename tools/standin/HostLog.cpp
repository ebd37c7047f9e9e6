#include "HostLog.h"

#include <vector>

namespace standin {

namespace {

void Check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const std::string& what) {
  if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return;
  std::string message = what;
  const std::string diagnostics = Diagnostics(handleType, handle);
  message += diagnostics.empty() ? " (no diagnostics)" : ": " + diagnostics;
  throw HostLogError(message);
}

}  // namespace

std::string Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::string out;
  for (SQLSMALLINT i = 1;; ++i) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[1024] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN rc =
        SQLGetDiagRec(handleType, handle, i, state, &native, text, sizeof text, &length);
    if (!SQL_SUCCEEDED(rc)) break;
    if (!out.empty()) out += "; ";
    out += "[" + std::string(reinterpret_cast<char*>(state)) + "] " +
           std::string(reinterpret_cast<char*>(text));
  }
  return out;
}

HostLog::HostLog(const std::string& connectionString) {
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_))) {
    throw HostLogError("cannot allocate an ODBC environment");
  }
  SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  Check(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_), SQL_HANDLE_ENV, env_,
        "cannot allocate an ODBC connection");
  std::vector<SQLCHAR> in(connectionString.begin(), connectionString.end());
  in.push_back(0);
  SQLCHAR out[1024];
  SQLSMALLINT outLength = 0;
  const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, in.data(), SQL_NTS, out, sizeof out,
                                        &outLength, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    const std::string diagnostics = Diagnostics(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
    throw HostLogError("cannot connect to the log with '" + connectionString + "'" +
                       (diagnostics.empty() ? std::string(" (no diagnostics)")
                                            : ": " + diagnostics));
  }
  connected_ = true;
}

HostLog::~HostLog() {
  if (insert_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, insert_);
  if (connected_) SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void HostLog::Execute(const std::string& sql) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt), SQL_HANDLE_DBC, dbc_,
        "cannot allocate a statement");
  std::vector<SQLCHAR> text(sql.begin(), sql.end());
  text.push_back(0);
  const SQLRETURN rc = SQLExecDirect(stmt, text.data(), SQL_NTS);
  const std::string diagnostics =
      SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA ? std::string() : Diagnostics(SQL_HANDLE_STMT, stmt);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
    throw HostLogError("statement failed: " + sql + ": " + diagnostics);
  }
}

void HostLog::CreateLogTable(const std::string& table) {
  Execute("CREATE TABLE " + table +
          " (Id INTEGER PRIMARY KEY, CallSign VARCHAR(255), DigiBand VARCHAR(255),"
          " QSOMode VARCHAR(255), Continent VARCHAR(255), QSOReportRecived VARCHAR(255),"
          " MainPrefix VARCHAR(255), DXCCPrefix VARCHAR(255))");
}

void HostLog::Insert(const std::string& table, const varnholt::Contact& contact) {
  if (insert_ == SQL_NULL_HSTMT || insertTable_ != table) {
    if (insert_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, insert_);
    insert_ = SQL_NULL_HSTMT;
    Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &insert_), SQL_HANDLE_DBC, dbc_,
          "cannot allocate a statement");
    const std::string sql = "INSERT INTO " + table +
                            " (CallSign, DigiBand, QSOMode, Continent, QSOReportRecived,"
                            " MainPrefix, DXCCPrefix) VALUES (?, ?, ?, ?, ?, ?, ?)";
    std::vector<SQLCHAR> text(sql.begin(), sql.end());
    text.push_back(0);
    const SQLRETURN rc = SQLPrepare(insert_, text.data(), SQL_NTS);
    if (!SQL_SUCCEEDED(rc)) {
      const std::string diagnostics = Diagnostics(SQL_HANDLE_STMT, insert_);
      SQLFreeHandle(SQL_HANDLE_STMT, insert_);
      insert_ = SQL_NULL_HSTMT;
      throw HostLogError("cannot prepare " + sql + ": " + diagnostics);
    }
    insertTable_ = table;
  }
  const std::string* values[] = {&contact.callSign,  &contact.band,       &contact.mode,
                                 &contact.continent, &contact.report,     &contact.mainPrefix,
                                 &contact.dxccPrefix};
  SQLLEN lengths[7];
  for (SQLUSMALLINT i = 0; i < 7; ++i) {
    const std::string& value = *values[i];
    lengths[i] = static_cast<SQLLEN>(value.size());
    const SQLULEN column = value.empty() ? 1 : value.size();
    Check(SQLBindParameter(insert_, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                           SQL_C_CHAR, SQL_VARCHAR, column, 0,
                           const_cast<char*>(value.c_str()), lengths[i], &lengths[i]),
          SQL_HANDLE_STMT, insert_, "cannot bind a value of " + contact.callSign);
  }
  Check(SQLExecute(insert_), SQL_HANDLE_STMT, insert_,
        "cannot add " + contact.callSign + " to the log table " + table);
  SQLFreeStmt(insert_, SQL_RESET_PARAMS);
}

}  // namespace standin
