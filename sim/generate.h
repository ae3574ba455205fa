#pragma once
// Fleet files for large LANs, so nobody writes thousands of boards by hand.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string_view>

namespace qorsim {

// `count` boards in the subnet "A.B.C.D/P" from its second host address up (the first is left
// for the PC), skipping addresses whose last octet is 0 or 255. Even boards are HD encoders
// multicasting each to a group of its own, odd boards HD decoders receiving the encoder before
// them; MACs and names are unique, so the fleet holds no conflict. Throws FleetError when the
// subnet text is wrong or the boards do not fit.
nlohmann::json generateFleet(int count, std::string_view subnet);

}  // namespace qorsim
