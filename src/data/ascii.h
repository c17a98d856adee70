#pragma once

#include "data/sse2.h"

#include <QtGlobal>

namespace norvane {

// Writes the text's leading plain ASCII units to to, a byte each, up to the
// first unit that is not plain ASCII; how many it wrote. Eight at a time
// where the processor has SSE2: most texts are plain ASCII throughout.
inline qsizetype narrowLeadingAscii(const char16_t* from, qsizetype size, char* to)
{
    qsizetype i = 0;
#ifdef NORVANE_HAS_SSE2
    const __m128i notAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 8 <= size; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        if (_mm_movemask_epi8(
                _mm_cmpeq_epi16(_mm_and_si128(units, notAscii), _mm_setzero_si128())) != 0xFFFF) {
            break; // the unit-by-unit loop finds which
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to + i), _mm_packus_epi16(units, units));
    }
#endif
    for (; i < size && from[i] < 0x80; ++i) {
        to[i] = static_cast<char>(from[i]);
    }
    return i;
}

} // namespace norvane
