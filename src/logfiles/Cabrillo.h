// Cabrillo logs: "QSO:" lines and the "CALLSIGN:" header that names the
// station; every other header and trailer line is passed over.
#pragma once

#include <string_view>

#include "logfiles/Contact.h"

namespace varnholt {

// Reads every "QSO: freq mode date time sent-call sent-exch... rcvd-call
// rcvd-exch... [transmitter]" line of `text` into `sink`. The sent and the
// received exchange have as many fields each; the received one, joined by
// single spaces, is the contact's report. The band comes from the
// frequency, the prefixes and the continent from the prefix table, and the
// mode is the host's ("PH" is "SSB", "RY" is "RTTY", "DG" is "DIGI").
void ReadCabrillo(std::string_view text, ContactSink& sink);

// Whether `text` looks like a Cabrillo log: its first line that is not blank
// starts "START-OF-LOG:" or "QSO:".
bool LooksLikeCabrillo(std::string_view text);

}  // namespace varnholt
