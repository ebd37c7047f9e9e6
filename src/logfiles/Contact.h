// One contact as a log file describes it, in the host's terms: the texts the
// host would put into its record for the contact, and the way readers hand
// contacts on, one at a time in file order.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "logfiles/ContactTime.h"

namespace varnholt {

struct Contact {
  std::string callSign;
  std::string band;        // the host's band text: "20M", "160M", "70CM"
  std::string mode;        // the host's mode text: "CW", "SSB", "RTTY"
  std::string report;      // the received exchange, e.g. "599 1234"
  std::string dxccPrefix;  // where the worked station operates from; "" when unknown
  std::string mainPrefix;
  std::string continent;
  // The call sign was looked up and placed in no country (the prefix
  // table's PrefixInfo::unknown); readers whose log gives the prefix leave it false.
  bool unknownCall = false;
  // When it was made; nothing where the log gives no time, or none that can
  // be read (the reader then reports that as damage that cost no contact).
  std::optional<UtcSeconds> utc = std::nullopt;
  // Which of the station's transmitters made it, as a multi-transmitter
  // Cabrillo log numbers them ("0", "1"); "" where the log does not say.
  std::string transmitter = {};
};

// What a reader adds to the message of a contact whose time it cannot read.
inline constexpr const char* kLeftOutOfTimes = "the contact is left out of the time analysis";

// A line (or, in ADIF, a record) that could not be read, and why.
struct LogLineError {
  int line = 0;  // 1-based; where an ADIF record starts
  std::string message;
  // The damage lay in what no contact is made of: the contact of its record
  // was read whole and handed on just before.
  bool contactCounted = false;
};

// Receives what a log reader finds, in file order. A reader reports a bad
// line and goes on with the next; a sink that wants to stop at the first one
// throws from BadLine.
class ContactSink {
 public:
  virtual ~ContactSink() = default;
  // The log names its own station: its call sign (as written) and the
  // prefix that call resolves to. Comes before the contacts it applies to.
  virtual void Station(const std::string& callSign, const std::string& prefix) = 0;
  // A line of the log's header other than its station: Cabrillo's
  // "CONTEST: CQ-WPX-SSB" as "CONTEST" and "CQ-WPX-SSB", the value trimmed.
  virtual void Header(std::string_view /*tag*/, std::string_view /*value*/) {}
  virtual void Add(const Contact& contact, int line) = 0;
  virtual void BadLine(const LogLineError& error) = 0;
};

}  // namespace varnholt
