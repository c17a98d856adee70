#include "data/vector_state.h"

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define NORVANE_CLEARS_UPPER_STATE 1
#endif

namespace norvane {

#ifdef NORVANE_CLEARS_UPPER_STATE

namespace {

__attribute__((target("avx"))) void zeroUpperHalves()
{
    _mm256_zeroupper();
}

} // namespace

void clearUpperVectorState()
{
    // Only where the processor and the system use AVX: elsewhere the
    // instruction does not exist, and there is nothing to clear.
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx) {
        zeroUpperHalves();
    }
}

#else

void clearUpperVectorState() {}

#endif

} // namespace norvane
