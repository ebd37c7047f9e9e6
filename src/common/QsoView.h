// One contact as the scoring rules read it: the texts they use, as views
// that must stay valid for the call they are passed to. The plug-in takes
// them from CurrentQso (QsoRecord::View); the scorer, the tests and the
// benchmarks make them from their own texts.
#pragma once

#include <cstddef>
#include <string_view>

namespace varnholt {

struct QsoView {
  std::string_view callSign{}, band{}, mode{}, report{}, dxccPrefix{}, stationPrefix{};
};

// The most characters a text holds: what a text slot of the host's record
// holds. Whoever fills a view from elsewhere cuts its texts here, as the
// host's record would have cut them.
constexpr std::size_t kMostQsoText = 255;
inline std::string_view CutQsoText(std::string_view text) { return text.substr(0, kMostQsoText); }

}  // namespace varnholt
