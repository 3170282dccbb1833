#include "platform/Random.h"

namespace emberhall {

uint32_t RandSeed = 0;

}  // namespace emberhall
