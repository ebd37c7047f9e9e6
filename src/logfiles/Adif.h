// ADIF logs: "<TAG:length[:type]>data" fields, records ended by "<eor>",
// and a header of free text and fields ended by "<eoh>" (absent when the
// file starts with a field). Tags match in any letter case.
#pragma once

#include <string_view>

#include "logfiles/Contact.h"
#include "logfiles/CountryFile.h"
#include "logfiles/LogText.h"

namespace varnholt {

// Reads every record of `text` into `sink`, in file order. A contact takes
// CALL, BAND (or FREQ in MHz when BAND is absent), MODE, and as its report
// RST_RCVD followed by SRX_STRING (or SRX). Its DXCC prefix comes from the
// record's DXCC entity code when it has one, else from the prefix table over
// `countries`, which also places the station: the first STATION_CALLSIGN (or
// OPERATOR) names it. QSO_DATE and TIME_ON give its UTC time; in a log that
// holds either field anywhere, a contact without a time that can be read is
// reported after it, and counts all the same.
// A record without CALL, MODE or a band is a bad line, at the line where the
// record starts. A field's length counts bytes; where it ends inside a UTF-8
// character or before the rest of the value, the value is read by as many
// characters when they end it exactly, and the record is a bad line when
// they do not.
void ReadAdif(const LogText& log, ContactSink& sink, const CountryData& countries = kBuiltInCountryData);
// The same for a file's bytes, decoded as LogText decodes them.
void ReadAdif(std::string_view file, ContactSink& sink, const CountryData& countries = kBuiltInCountryData);

// Whether `log` looks like ADIF rather than another log format.
bool LooksLikeAdif(const LogText& log);
bool LooksLikeAdif(std::string_view file);

}  // namespace varnholt
