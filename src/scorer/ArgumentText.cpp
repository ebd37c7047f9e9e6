#include "scorer/ArgumentText.h"

namespace varnholt {

std::string ArgumentInUtf8(const std::string& argument) { return argument; }

}  // namespace varnholt
