// The scene data embedded in the program at build time, looked up by
// resource name and type without regard to case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace emberhall {

enum class TResourceType { RCData, Bitmap, Sound };

struct TResourceEntry {
  const char* Name;
  TResourceType Type;
  const unsigned char* Begin;
  const unsigned char* End;
};

extern const TResourceEntry EmbeddedResources[];
extern const int EmbeddedResourceCount;

// The bytes of the resource, or an empty span with Found false.
struct TResourceData {
  bool Found = false;
  std::span<const uint8_t> Bytes;
};

TResourceData FindResourceData(std::string_view Name, TResourceType Type);

}  // namespace emberhall
