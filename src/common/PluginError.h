// The failure the plug-in raises inside a window event (the re-scan, the
// placement store), carrying the text the error box shows.
#pragma once

#include <stdexcept>

namespace varnholt {

class PluginError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace varnholt
