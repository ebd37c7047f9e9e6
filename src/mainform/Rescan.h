// The log re-scan: rebuilds every statistic from the host's whole log table,
// feeding each row through the same scoring as a contact the host adds one
// by one, and the "Recalc Statistic" action that wraps it.
//
// The statistics window owns everything the re-scan works on and lends it
// through a RescanContext; the re-scan keeps nothing of its own.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "mainform/LogQuery.h"
#include "mainform/Scoring.h"
#include "plugin/Plugin.h"

namespace varnholt {

struct RescanContext {
  // The window's statistics.
  ContestScore& score;
  // CurrentQso: the source of the table name, and where each row is put to
  // be scored from.
  QsoRecord& qso;
  // The window's query, attached to the host's connection.
  LogQuery& query;

  // The window's side. Any of them may be left empty.
  // Processes every message waiting in the thread's queue, without waiting
  // for new ones. Host calls and window commands run inside it.
  std::function<void()> processMessages;
  // Empties the report text box.
  std::function<void()> clearReport;
  // Puts the whole report text into the box.
  std::function<void(const std::string&)> showReport;
  // Enables or disables the "Recalc Statistic" action and its button.
  std::function<void(bool)> setActionEnabled;
};

// "Select * from " + table + " order by CallSign", the table name exactly as
// the host stored it.
std::string LogQueryText(std::string_view tableName);

// Writes `row` into `qso`, the host's seven columns in the order they are
// read, the continent upper-cased. A missing column fails when its turn
// comes, after the columns before it are written.
void ReadLogRow(const LogRow& row, QsoRecord& qso);

// Empties the statistics and the report box, then scores every row of the
// log table in record mode, duplicates being skipped, and puts CurrentQso's
// band back as it was. Messages are processed once, right after the query
// is opened.
//
// Returns true when the log was read to its end. Returns false when a close
// request handled among those messages closed the query: the statistics are
// then not the log's, and the report box is left empty.
//
// Throws PluginError when the query cannot be opened or a column is missing,
// leaving what was scored so far, an empty report box and the band of the
// last row read. The query is closed on every way out.
//
// Everything in `context` must outlive the call, also when the window is
// closed or released while messages are processed: the window defers its
// destruction until the re-scan has returned.
bool RescanLog(RescanContext& context);

// The "Recalc Statistic" action: processes waiting messages, disables the
// action, re-scans, shows the report, and enables the action again on every
// path. A failure is rethrown after that, for the window's error box.
// Returns what RescanLog returned: false when a close request interrupted
// the re-scan, leaving the statistics short of the log.
//
// The window must not call this while the action is disabled: executing a
// disabled action does nothing.
bool RecalcStatisticExecute(RescanContext& context);

}  // namespace varnholt
