#include "platform/FloatingPoint.h"

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

namespace emberhall {

void MaskFPUExceptions() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_setcsr(_mm_getcsr() | 0x1F80);
  unsigned short controlWord = 0x133F;
  __asm__ volatile("fldcw %0" : : "m"(controlWord));
#endif
}

}  // namespace emberhall
