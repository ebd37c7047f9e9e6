// The stand-in host's log: an ODBC connection it opens and owns, whose
// handle it lends to the plug-in in every record, and the log table it
// writes each contact into before announcing the contact to the plug-in.
#pragma once

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <stdexcept>
#include <string>

#include "logfiles/ContactFile.h"

namespace standin {

// A failed ODBC call; the message carries the driver's diagnostics.
class HostLogError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class HostLog {
 public:
  // Connects with SQLDriverConnect, without prompting.
  explicit HostLog(const std::string& connectionString);
  ~HostLog();
  HostLog(const HostLog&) = delete;
  HostLog& operator=(const HostLog&) = delete;

  SQLHDBC Connection() const { return dbc_; }

  void Execute(const std::string& sql);
  // The host's log table: an Id beside the seven columns the plug-in reads.
  void CreateLogTable(const std::string& table);
  // Appends one contact's row to `table`.
  void Insert(const std::string& table, const varnholt::Contact& contact);

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool connected_ = false;
  SQLHSTMT insert_ = SQL_NULL_HSTMT;
  std::string insertTable_;
};

// "[state] message" for each diagnostic record of `handle`, joined by "; ".
std::string Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

}  // namespace standin
