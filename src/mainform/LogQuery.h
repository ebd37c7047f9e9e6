// The statistics window's query over the host's log database.
//
// The host opens an ODBC connection to its log and lends it to the plug-in
// for the window's whole life. LogQuery runs its statement on a statement
// handle of its own on that connection and never disconnects or frees the
// connection itself. The statement handle has one owner, this object, and
// exists only while the query is open: Open allocates it, Close and the
// destructor free it. Between re-scans the plug-in thus holds nothing on the
// host's connection, and the host stays free to close it: some drivers refuse
// to disconnect while a statement is allocated on the connection.
//
// Every value is read as single-byte text, exactly as the driver delivers it
// (numbers in their text form, binary columns in hexadecimal), cut at 255
// characters, the most a text slot of the host's record can hold.
//
// This header is portable: it names no ODBC or Windows type, so that the
// scoring core and its callers never see <sql.h> or <windows.h>.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace varnholt {

// The columns of the host's log table that the re-scan reads, named as in
// the host's schema ("Recived" is the host's spelling), in the order a row's
// columns are read.
enum class LogField {
  QSOReportRecived,
  DXCCPrefix,
  MainPrefix,
  CallSign,
  DigiBand,
  QSOMode,
  Continent,
};
constexpr std::size_t kLogFieldCount = 7;

// The query's name, which prefixes the messages of its own failures.
constexpr const char* kLogQueryName = "LogQuery";

// One row of the log as the query hands it to its reader: the seven values
// at once, read when the row was fetched. Each value is its column's first
// 255 characters, NULL as the empty text; the views stay valid until the
// query moves on (Next) or closes.
class LogRow {
 public:
  // The row's value of `field`. Throws PluginError "LogQuery: Field 'X' not
  // found" when the result has no column of that name (names match without
  // regard to letter case): a reader that takes the values in reading order
  // has taken those before the missing one when it fails.
  std::string_view Text(LogField field) const {
    const auto f = static_cast<std::size_t>(field);
    if ((missing_ >> f & 1u) != 0) NotFound(field);
    return text_[f];
  }

 private:
  friend class LogQuery;
  [[noreturn]] static void NotFound(LogField field);

  std::array<std::string_view, kLogFieldCount> text_{};
  unsigned missing_ = 0;  // bit f: the result has no column for field f
};

class LogQuery {
 public:
  // Attaches to the host's connection (an SQLHDBC). Nothing is asked of the
  // connection yet, so a bad connection surfaces as a failure of Open, not
  // of the window's construction.
  explicit LogQuery(std::uintptr_t connection);
  ~LogQuery();
  LogQuery(const LogQuery&) = delete;
  LogQuery& operator=(const LogQuery&) = delete;

  // Sets the statement text. Throws PluginError while the query is open:
  // the text of a running statement cannot change under it.
  void SetSql(std::string sql);

  // Executes the statement and positions on its first row. Does nothing when
  // the query is already open. Throws PluginError with the database layer's
  // own message when the statement cannot be run (no such table, a lost or
  // invalid connection) or its first row cannot be fetched; the query is then
  // closed, and nothing of it is left on the host's connection.
  void Open();
  // Ends the statement and frees its handle; does nothing when the query is
  // closed.
  void Close();
  bool Active() const { return active_; }

  // True when there is no current row: past the last row, for an empty
  // result, and whenever the query is closed.
  bool Eof() const { return !active_ || eof_; }
  // Advances to the next row; at the end, Eof() becomes true. Does nothing
  // when Eof() already is. Throws PluginError when the fetch fails.
  void Next();
  // Hands every row from the current one to the last to `reader`, one call
  // a row, then closes the query; a failure of `reader` or of a fetch closes
  // it too, and goes on.
  void ForEachRow(const std::function<void(const LogRow&)>& reader);

  // The current row. Valid until Next() or Close(). Throws PluginError when
  // there is no current row.
  const LogRow& Row() const;

 private:
  struct Statement;  // the ODBC statement handle and the row it fetches into

  void Execute();  // runs the open statement and fetches its first row
  void Fetch();

  std::uintptr_t connection_;
  std::string sql_;
  std::unique_ptr<Statement> statement_;
  bool active_ = false;
  bool eof_ = true;
};

}  // namespace varnholt
