#include "mainform/WorkedList.h"

namespace varnholt {

// std::string_view compares through char_traits<char>, which compares as
// unsigned char: exactly the byte order the worked list is kept in.
int CompareBytes(std::string_view a, std::string_view b) {
  const int c = a.compare(b);
  return (c > 0) - (c < 0);
}

int CompareByCall(const TQSO& a, const TQSO& b) { return CompareBytes(a.callSign, b.callSign); }

const std::string& WorkedList::KeyOf(const QsoView& qso) const {
  key_.clear();
  key_ += static_cast<char>(qso.callSign.size());  // a contact's texts never exceed 255 bytes
  key_ += qso.callSign;
  key_ += static_cast<char>(qso.band.size());
  key_ += qso.band;
  key_ += qso.mode;
  return key_;
}

bool WorkedList::IsDuplicate(const QsoView& qso) const { return contacts_.Contains(KeyOf(qso)); }

bool WorkedList::AddWorkedIfNew(const QsoView& qso) { return contacts_.Insert(KeyOf(qso)); }

void WorkedList::Clear() { contacts_.Clear(); }

}  // namespace varnholt
