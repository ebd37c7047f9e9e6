// The host's band texts from what log files write: frequencies in kHz or
// MHz, Cabrillo's band designators, ADIF band names. One table serves every
// reader: the log formats' own band enumeration (ADIF's, from 2190m up to
// submillimetre), its names written as the report writes them ("20M",
// "2190M", "70CM", "1.25CM"), and Cabrillo's LIGHT, which has no frequency
// edges.
#pragma once

#include <string_view>

namespace varnholt {

// The band of a frequency in kHz, edges included; empty when the frequency
// is on no band of the table.
std::string_view BandFromKhz(double khz);

// Cabrillo's frequency field: kHz ("14025", "7012.5", "144300") or, from
// 50 MHz up, a band designator ("50", "144", "432", "902", "1.2G", "10G",
// "LIGHT", any letter case). Empty when on no band.
std::string_view BandFromCabrilloFrequency(std::string_view field);

// ADIF's BAND field ("20m", "70CM", "2190m", "submm"; any letter case,
// blanks around it ignored). Empty when it names no band.
std::string_view BandFromAdifName(std::string_view name);

}  // namespace varnholt
