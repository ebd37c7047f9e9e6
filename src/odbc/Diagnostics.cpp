#include "odbc/Diagnostics.h"

#ifdef _WIN32
#include <windows.h>  // Windows' <sql.h> is built on its types
#endif
#include <sql.h>

#include <algorithm>

namespace varnholt::odbc {

// A message cut to fit its buffer is read again, whole.
std::string DiagnosticText(short handleType, void* handle, short record, std::string* state) {
  constexpr std::size_t kMostRoom = 32767;  // the most a message length can say
  std::string text;
  std::size_t room = 512;
  SQLCHAR recordState[6] = {};
  SQLINTEGER nativeError = 0;
  SQLSMALLINT length = 0;
  SQLRETURN rc;
  for (;;) {
    text.assign(room, '\0');
    rc = SQLGetDiagRec(handleType, handle, record, recordState, &nativeError, reinterpret_cast<SQLCHAR*>(&text[0]),
                       static_cast<SQLSMALLINT>(room), &length);
    if (rc != SQL_SUCCESS_WITH_INFO || length < 0 || static_cast<std::size_t>(length) < room || room == kMostRoom)
      break;
    room = std::min(static_cast<std::size_t>(length) + 1, kMostRoom);
  }
  const bool found = SQL_SUCCEEDED(rc);
  if (state) state->assign(found ? reinterpret_cast<const char*>(recordState) : "");
  if (!found || length <= 0) return std::string();
  text.resize(std::min(static_cast<std::size_t>(length), room - 1));
  return text;
}

}  // namespace varnholt::odbc
