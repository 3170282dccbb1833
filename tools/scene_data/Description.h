// The scene description of the fireplace (plain text; the build embeds it
// bit-inverted).
#pragma once

#include <string>

namespace scenedata {

std::string FireplaceDescription();

}  // namespace scenedata
