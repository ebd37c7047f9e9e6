// Cabrillo logs: "QSO:" lines and the "CALLSIGN:" header that names the
// station; every other header and trailer line is passed over, and so are
// "#" comments and the text before the log's first "START-OF-LOG:" or
// "QSO:" line and after its "END-OF-LOG:".
#pragma once

#include <string_view>

#include "logfiles/Contact.h"
#include "logfiles/CountryFile.h"
#include "logfiles/LogText.h"

namespace varnholt {

// Reads every "QSO: freq mode date time sent-call sent-exch... rcvd-call
// rcvd-exch... [transmitter]" line of `text` into `sink`. The sent and the
// received exchange have as many fields each; the received one, joined by
// single spaces, is the contact's report. The band comes from the
// frequency, the prefixes and the continent from the prefix table over
// `countries` (the received call's, and the CALLSIGN: station's), and the
// mode is the host's ("PH" is "SSB", "RY" is "RTTY", "DG" is "DIGI"). The
// date and time are the contact's UTC time (ContactTime.h): one that cannot
// be read is reported after the contact, which counts all the same.
void ReadCabrillo(const LogText& log, ContactSink& sink, const CountryData& countries = kBuiltInCountryData);
// The same for a file's bytes, decoded as LogText decodes them.
void ReadCabrillo(std::string_view file, ContactSink& sink, const CountryData& countries = kBuiltInCountryData);

// Whether `log` looks like a Cabrillo log: a line in its first 64 KiB
// starts "START-OF-LOG:" or "QSO:" (after blanks, in any letter case).
bool LooksLikeCabrillo(const LogText& log);
bool LooksLikeCabrillo(std::string_view file);

}  // namespace varnholt
