#pragma once

#include "data/sse2.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>
#include <algorithm>
#include <optional>

namespace norvane {

// The blanks among the ASCII characters, as QChar::isSpace() and
// QByteArray::trimmed() know them.
inline bool isAsciiBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether a UTF-8 value starts with a lower-cased ASCII prefix, without
// regard to case, as QString::startsWith tells it. None when the value's
// beginning is not ASCII: a character outside ASCII may still fold to an
// ASCII letter (the Kelvin sign to "k"), and only Qt tells that. None too
// at a line break, where the text shown on one line differs from the bytes.
inline std::optional<bool> startsWithFoldedAscii(QByteArrayView value, QByteArrayView prefix)
{
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (i == value.size()) {
            return false;
        }
        if (static_cast<unsigned char>(value[i]) >= 0x80 || value[i] == '\n' || value[i] == '\r') {
            return std::nullopt;
        }
        if (asciiLower(value[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Whether the bytes are plain ASCII throughout; sixteen at a time where the
// processor has SSE2.
inline bool isAscii(QByteArrayView bytes)
{
    const char* from = bytes.data();
    qsizetype i = 0;
#ifdef NORVANE_HAS_SSE2
    for (; i + 16 <= bytes.size(); i += 16) {
        if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i))) != 0) {
            return false;
        }
    }
#endif
    for (; i < bytes.size(); ++i) {
        if (static_cast<unsigned char>(from[i]) >= 0x80) {
            return false;
        }
    }
    return true;
}

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

// The text lower-cased, as bytes, when it is plain ASCII; none otherwise.
inline std::optional<QByteArray> foldedAscii(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    if (narrowLeadingAscii(text.utf16(), text.size(), bytes.data()) < text.size()) {
        return std::nullopt;
    }
    return bytes.toLower(); // ASCII letters only
}

// Writes the text as UTF-8 from to on, which has room for three bytes a
// unit; where it ended. Plain ASCII goes a unit a byte without a conversion.
inline char* writeUtf8(char* to, QStringView text)
{
    const qsizetype ascii = narrowLeadingAscii(text.utf16(), text.size(), to);
    to += ascii;
    if (ascii < text.size()) {
        // Starts after an ASCII unit, so never inside a surrogate pair.
        const QByteArray rest = text.sliced(ascii).toUtf8();
        to = std::copy(rest.cbegin(), rest.cend(), to);
    }
    return to;
}

// Writes the bytes' leading plain ASCII to to, a unit each, up to the first
// byte that is not plain ASCII; how many it wrote. Sixteen at a time where
// the processor has SSE2.
inline qsizetype widenLeadingAscii(const char* from, qsizetype size, char16_t* to)
{
    qsizetype i = 0;
#ifdef NORVANE_HAS_SSE2
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        if (_mm_movemask_epi8(bytes) != 0) {
            break; // a byte with its high bit set; the byte-by-byte loop finds it
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                         _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i + 8),
                         _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
    }
#endif
    for (; i < size && static_cast<unsigned char>(from[i]) < 0x80; ++i) {
        to[i] = static_cast<char16_t>(from[i]);
    }
    return i;
}

} // namespace norvane
