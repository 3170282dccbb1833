#include "platform/Resources.h"

#include "platform/SysUtils.h"

namespace emberhall {

TResourceData FindResourceData(std::string_view Name, TResourceType Type) {
  for (int i = 0; i < EmbeddedResourceCount; ++i) {
    const TResourceEntry& e = EmbeddedResources[i];
    if (e.Type == Type && SameText(e.Name, Name))
      return {true, std::span<const uint8_t>(e.Begin, static_cast<size_t>(e.End - e.Begin))};
  }
  return {};
}

}  // namespace emberhall
