#include "scorer/LogDatabase.h"

#ifdef _WIN32
// Windows' <sql.h> is built on the types <windows.h> declares.
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <fstream>

#include "mainform/LogQuery.h"

namespace varnholt {

std::string ConnectionStringFor(const std::string& target) {
  if (target.find('=') != std::string::npos) return target;
  return "Driver=SQLite3;Database=" + target;
}

LogDatabase::LogDatabase(const std::string& target) {
  if (target.find('=') == std::string::npos && !std::ifstream(target, std::ios::binary)) {
    throw LogDatabaseError("cannot open database file '" + target + "'");
  }
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
    throw LogDatabaseError("no ODBC driver manager");
  }
  env_ = env;
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    throw LogDatabaseError("no ODBC connection handle");
  }
  dbc_ = dbc;
  std::string in = ConnectionStringFor(target);
  SQLCHAR out[1024];
  SQLSMALLINT outLength = 0;
  const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(&in[0]), SQL_NTS, out,
                                        sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    std::string why = OdbcDiagnosticText(SQL_HANDLE_DBC, dbc);
    if (why.empty()) why = "the driver gave no reason";
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    throw LogDatabaseError("cannot connect to '" + in + "': " + why);
  }
  connected_ = true;
}

LogDatabase::~LogDatabase() {
  if (connected_) SQLDisconnect(static_cast<SQLHDBC>(dbc_));
  SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(dbc_));
  SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(env_));
}

}  // namespace varnholt
