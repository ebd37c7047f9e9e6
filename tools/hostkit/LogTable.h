// The host's log table: its schema (an Id beside the seven columns the
// plug-in reads, "Recived" as the host spells it) and a contact's row, put
// in through statement parameters.
#pragma once

#include <string>

#include "logfiles/Contact.h"
#include "odbc/Connection.h"

namespace host {

void CreateLogTable(varnholt::odbc::Connection& log, const std::string& table);
// Throws varnholt::odbc::Error: "cannot add CALL to the log table TABLE".
void InsertLogRow(varnholt::odbc::Connection& log, const std::string& table, const varnholt::Contact& contact);

}  // namespace host
