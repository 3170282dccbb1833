// The floating-point exception mask: all exceptions masked, so that a driver
// cannot raise floating-point faults in the program.
#pragma once

namespace emberhall {

// Masks every SSE and x87 floating-point exception (x87: control word
// 0x133F, extended precision, round to nearest); the SSE rounding mode is kept.
void MaskFPUExceptions();

}  // namespace emberhall
