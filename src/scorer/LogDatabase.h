// A log database that the scorer opens itself, through ODBC, to score a log
// table the way the window's re-scan reads it from the host's connection.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "odbc/Connection.h"

namespace varnholt {

class LogDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The connection string for `target`: an ODBC connection string as it
// stands (it holds "="), or else the path of an SQLite database file, for
// which the SQLite ODBC driver is used.
std::string ConnectionStringFor(const std::string& target);

class LogDatabase {
 public:
  // Connects without prompting. Throws LogDatabaseError with the driver's
  // message when the connection fails, and when an SQLite file does not
  // exist (the driver would make an empty one).
  explicit LogDatabase(const std::string& target);

  // The connection, an SQLHDBC, as a host lends it to the plug-in.
  std::uintptr_t Connection() const { return connection_.Handle(); }

 private:
  odbc::Connection connection_;
};

}  // namespace varnholt
