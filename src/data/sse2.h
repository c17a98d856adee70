#pragma once

// SSE2 where the processor has it (every x86-64 one): then NORVANE_HAS_SSE2
// is defined and its intrinsics are at hand.
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define NORVANE_HAS_SSE2 1
#endif
