// Fills a QSO record the way the host would for one contact.
#pragma once

#include <string>

#include "plugin/Plugin.h"

namespace varnholt::testing {

inline void SetContact(QsoRecord& qso, const std::string& call, const std::string& band,
                       const std::string& mode, const std::string& report = "599",
                       const std::string& dxcc = "DL") {
  qso.SetText(QsoField::CallSign, call);
  qso.SetText(QsoField::Band, band);
  qso.SetText(QsoField::Mode, mode);
  qso.SetText(QsoField::ReportReceived, report);
  qso.SetText(QsoField::DxccPrefix, dxcc);
}

}  // namespace varnholt::testing
