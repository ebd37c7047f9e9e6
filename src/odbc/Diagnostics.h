// The driver's own messages: what an ODBC driver or driver manager left on a
// handle after a failed call. Kept apart from the connection, so that the
// plug-in, which only borrows the host's connection, takes this alone.
//
// This header is portable: it names no ODBC or Windows type.
#pragma once

#include <string>

namespace varnholt::odbc {

// The text of diagnostic record `record` (from 1) that the driver or the
// driver manager left on an ODBC `handle` of `handleType` (SQL_HANDLE_STMT,
// ...), whole however long; empty when there is none. `state`, when given,
// gets the record's five-character state, or is emptied when there is none.
std::string DiagnosticText(short handleType, void* handle, short record = 1, std::string* state = nullptr);

}  // namespace varnholt::odbc
