#include "mainform/KeyCollation.h"

namespace varnholt {

const KeyCollation& SystemKeyCollation() {
  static const AsciiKeyCollation collation;
  return collation;
}

}  // namespace varnholt
