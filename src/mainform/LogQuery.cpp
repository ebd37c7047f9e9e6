#include "mainform/LogQuery.h"

#ifdef _WIN32
// Windows' <sql.h> is built on the types <windows.h> declares; this file
// keeps them to itself.
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <utility>

#include "common/PluginError.h"
#include "common/QsoView.h"
#include "common/TextRules.h"
#include "common/UniqueHandle.h"
#include "odbc/Diagnostics.h"

namespace varnholt {

namespace {

// A value's buffer: the 255 characters a text slot holds and the driver's
// terminating zero. A longer value is cut by the driver, which then reports
// its true length (or no length) in the indicator.
constexpr std::size_t kMaxValue = kMostQsoText;
constexpr SQLLEN kValueBuffer = static_cast<SQLLEN>(kMaxValue + 1);

constexpr const char* kFieldNames[kLogFieldCount] = {
    "QSOReportRecived", "DXCCPrefix", "MainPrefix", "CallSign", "DigiBand", "QSOMode", "Continent",
};

bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

std::string OwnMessage(const char* text) { return std::string(kLogQueryName) + ": " + text; }

// The failure of an ODBC call, carrying the database layer's own message.
PluginError Failure(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc) {
  if (rc == SQL_INVALID_HANDLE) return PluginError(OwnMessage("Invalid connection handle"));
  std::string text = odbc::DiagnosticText(handleType, handle);
  if (text.empty()) text = OwnMessage("The log database reported a failure without a message");
  return PluginError(text);
}

}  // namespace

void LogRow::NotFound(LogField field) {
  throw PluginError(std::string(kLogQueryName) + ": Field '" + kFieldNames[static_cast<std::size_t>(field)] +
                    "' not found");
}

namespace {

void FreeStatement(SQLHSTMT handle) { SQLFreeHandle(SQL_HANDLE_STMT, handle); }
using StatementHandle = UniqueHandle<SQLHSTMT, FreeStatement>;

}  // namespace

struct LogQuery::Statement {
  explicit Statement(StatementHandle h) : handle(std::move(h)) {}

  StatementHandle handle;
  // Result column of each field, counted from 1; 0 when the result has none.
  SQLUSMALLINT column[kLogFieldCount] = {};
  // The current row's values, bound to their columns: each fetch fills them
  // in one call, with no per-column request and no allocation.
  char value[kLogFieldCount][kMaxValue + 1] = {};
  SQLLEN indicator[kLogFieldCount] = {};
  // The fetched row's values as its reader sees them.
  LogRow row;
};

namespace {

// A fetched value as text: NULL as the empty text, a cut one up to the
// driver's terminating zero.
std::string_view ValueText(const char* value, SQLLEN indicator) {
  if (indicator < 0 && indicator != SQL_NO_TOTAL) return std::string_view();  // NULL
  if (indicator >= 0 && indicator <= static_cast<SQLLEN>(kMaxValue))
    return std::string_view(value, static_cast<std::size_t>(indicator));
  // Cut by the driver, which ended what it delivered with a zero. A driver
  // that converts between character sets may cut short of 255 bytes, so
  // the zero, not the buffer's size, marks the end.
  return std::string_view(value, static_cast<std::size_t>(std::find(value, value + kMaxValue, '\0') - value));
}

// Allocates a statement on the host's connection; never frees the connection.
SQLHSTMT AllocateStatement(std::uintptr_t connection) {
  const auto dbc = reinterpret_cast<SQLHDBC>(connection);
  if (dbc == SQL_NULL_HDBC) throw PluginError(OwnMessage("Invalid connection handle"));
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  const SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
  if (!Succeeded(rc)) throw Failure(SQL_HANDLE_DBC, dbc, rc);
  return stmt;
}

}  // namespace

LogQuery::LogQuery(std::uintptr_t connection) : connection_(connection) {}

LogQuery::~LogQuery() = default;  // the statement's owner frees its handle

void LogQuery::SetSql(std::string sql) {
  if (active_) throw PluginError(OwnMessage("Cannot change the query text while the query is open"));
  sql_ = std::move(sql);
}

void LogQuery::Open() {
  if (active_) return;
  // The statement is owned before anything can fail, and a failure closes
  // it: a driver refuses the host's disconnect while a statement of ours is
  // left on the connection, and some allow only one active statement.
  StatementHandle handle(AllocateStatement(connection_));
  statement_ = std::make_unique<Statement>(std::move(handle));
  active_ = true;
  try {
    Execute();
  } catch (...) {
    Close();
    throw;
  }
}

void LogQuery::Execute() {
  Statement& s = *statement_;
  const SQLHSTMT stmt = s.handle.Get();
  SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(&sql_[0]), static_cast<SQLINTEGER>(sql_.size()));
  if (!Succeeded(rc) && rc != SQL_NO_DATA) throw Failure(SQL_HANDLE_STMT, stmt, rc);
  eof_ = true;

  SQLSMALLINT columns = 0;
  rc = SQLNumResultCols(stmt, &columns);
  if (!Succeeded(rc)) throw Failure(SQL_HANDLE_STMT, stmt, rc);
  if (columns <= 0) return;  // no result set: nothing to read

  // Find each field's column once per run, not once per row. A missing one
  // is reported only when a row's reader asks for it: an empty table reads
  // no row.
  SQLCHAR name[256];
  for (SQLSMALLINT c = 1; c <= columns; ++c) {
    SQLSMALLINT nameLength = 0, dataType = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    rc = SQLDescribeCol(stmt, static_cast<SQLUSMALLINT>(c), name, static_cast<SQLSMALLINT>(sizeof name),
                        &nameLength, &dataType, &size, &digits, &nullable);
    if (!Succeeded(rc)) throw Failure(SQL_HANDLE_STMT, stmt, rc);
    // A name longer than the buffer is cut, but then its length differs from
    // every field name's, so it cannot match by its first characters.
    const std::size_t length = nameLength > 0 ? static_cast<std::size_t>(nameLength) : 0;
    const std::string_view text(reinterpret_cast<const char*>(name), length);
    for (std::size_t f = 0; f < kLogFieldCount; ++f) {
      if (s.column[f] == 0 && EqualsIgnoringCase(text, kFieldNames[f]))
        s.column[f] = static_cast<SQLUSMALLINT>(c);
    }
  }
  for (std::size_t f = 0; f < kLogFieldCount; ++f) {
    if (s.column[f] == 0) {
      s.row.missing_ |= 1u << f;
      continue;
    }
    // Every column type converts to text; binary data arrives as hexadecimal.
    rc = SQLBindCol(stmt, s.column[f], SQL_C_CHAR, s.value[f], kValueBuffer, &s.indicator[f]);
    if (!Succeeded(rc)) throw Failure(SQL_HANDLE_STMT, stmt, rc);
  }
  Fetch();
}

void LogQuery::Close() {
  if (!active_) return;
  active_ = false;
  eof_ = true;
  statement_.reset();
}

void LogQuery::Next() {
  if (Eof()) return;
  Fetch();
}

void LogQuery::ForEachRow(const std::function<void(const LogRow&)>& reader) {
  try {
    for (; !Eof(); Next()) reader(Row());
  } catch (...) {
    Close();  // a failed row leaves nothing open on the host's connection
    throw;
  }
  Close();
}

void LogQuery::Fetch() {
  eof_ = true;  // no current row unless the fetch delivers one
  Statement& s = *statement_;
  const SQLRETURN rc = SQLFetch(s.handle.Get());
  if (rc == SQL_NO_DATA) return;
  // SQL_SUCCESS_WITH_INFO: a value was cut to fit its buffer (01004), which
  // is exactly the cut a text slot makes.
  if (!Succeeded(rc)) throw Failure(SQL_HANDLE_STMT, s.handle.Get(), rc);
  for (std::size_t f = 0; f < kLogFieldCount; ++f) {
    if (s.column[f] != 0) s.row.text_[f] = ValueText(s.value[f], s.indicator[f]);
  }
  eof_ = false;
}

const LogRow& LogQuery::Row() const {
  if (Eof()) throw PluginError(OwnMessage("No current row"));
  return statement_->row;
}

}  // namespace varnholt
