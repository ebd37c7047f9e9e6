// The host's band texts from what log files write: frequencies in kHz or
// MHz, Cabrillo's VHF band designators, ADIF band names.
#pragma once

#include <string>
#include <string_view>

namespace varnholt {

// "160M" .. "10M", the WARC bands and "6M" .. "70CM"; empty when the
// frequency is on no band the table knows.
std::string BandFromKhz(double khz);

// Cabrillo's frequency field: kHz ("14025", "7012.5") or, from 50 MHz up, a
// band designator ("50", "144", "432", "1.2G"). Empty when on no band.
std::string BandFromCabrilloFrequency(std::string_view field);

}  // namespace varnholt
