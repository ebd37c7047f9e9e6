#include "scorer/LogDatabase.h"

#include <fstream>

namespace varnholt {

std::string ConnectionStringFor(const std::string& target) {
  if (target.find('=') != std::string::npos) return target;
  return "Driver=SQLite3;Database=" + target;
}

namespace {

odbc::Connection Connect(const std::string& target) {
  if (target.find('=') == std::string::npos && !std::ifstream(target, std::ios::binary)) {
    throw LogDatabaseError("cannot open database file '" + target + "'");
  }
  const std::string in = ConnectionStringFor(target);
  try {
    return odbc::Connection(in);
  } catch (const odbc::Error& e) {
    throw LogDatabaseError("cannot connect to '" + in + "': " +
                           (e.FirstText().empty() ? "the driver gave no reason" : e.FirstText()));
  }
}

}  // namespace

LogDatabase::LogDatabase(const std::string& target) : connection_(Connect(target)) {}

}  // namespace varnholt
