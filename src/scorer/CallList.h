// The calls known to be active in contests: the super-check-partial list
// (MASTER.SCP) that log checkers compare a log's calls with first. A worked
// call missing from it may be a busted call.
//
// Only the standard library and common/TextRules.h are used here, so that the
// generator, a tool built for the build machine, can compile this file alone.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace varnholt {

// A list ready for lookups: its calls in upper case, sorted byte by byte,
// each ended by '\n'.
struct CallListData {
  std::string_view text;
  std::size_t count;
  std::string_view release;  // the file's own "Release ..." note; "" when it has none
};

// Whether `call` (any letter case, blanks around it ignored) is in the list,
// as logged or by the home call inside it: UR5ABC for UR5ABC/P, UA9XX for
// DL/UA9XX.
bool IsKnownCall(const CallListData& list, std::string_view call);

class CallListError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A list read from its text: a call a line; "#" lines are notes.
class CallList {
 public:
  // Throws CallListError, naming the line, at a line that is no call sign.
  explicit CallList(std::string_view text);
  CallListData Data() const { return {text_, count_, release_}; }

 private:
  std::string text_;
  std::size_t count_ = 0;
  std::string release_;
};

// The list compiled in at build time.
extern const CallListData kBuiltInCallList;

}  // namespace varnholt
