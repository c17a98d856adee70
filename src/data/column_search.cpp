#include "data/column_search.h"

#include "data/vector_state.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <optional>
#include <thread>

// Where the processor has SSE2 (every x86-64 one), the candidates of a scan
// are found sixteen bytes at a time; elsewhere eight at a time in plain C++
// (which also marks the end of each block, so that both ways are tested).
#include "data/sse2.h"

namespace norvane {

namespace {

// ---- eight bytes at a time ----

constexpr std::uint64_t kEveryByte = 0x0101010101010101ULL;
constexpr std::uint64_t kLowSevenBits = 0x7f7f7f7f7f7f7f7fULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

std::uint64_t load8(const char* at)
{
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// The high bit of each byte of the word that is zero, and of no other.
std::uint64_t zeroBytes(std::uint64_t word)
{
    const std::uint64_t low = (word & kLowSevenBits) + kLowSevenBits;
    return ~(low | word | kLowSevenBits);
}

// The high bit of each byte of the word that is not plain ASCII or is a line
// break (LF or CR): the bytes of a value the side store holds folded.
std::uint64_t needsFolding(std::uint64_t word)
{
    return (word & kHighBits) | zeroBytes(word ^ (kEveryByte * '\n')) |
           zeroBytes(word ^ (kEveryByte * '\r'));
}

// Which byte of the loaded word, counted in memory order, the lowest-placed
// marked high bit belongs to, and the marks without it.
int firstMarkedByte(std::uint64_t marks)
{
    if constexpr (std::endian::native == std::endian::little) {
        return std::countr_zero(marks) / 8;
    } else {
        return std::countl_zero(marks) / 8;
    }
}

std::uint64_t withoutByte(std::uint64_t marks, int byte)
{
    const int shift = std::endian::native == std::endian::little ? 8 * byte : 56 - 8 * byte;
    return marks & ~(std::uint64_t{0x80} << shift);
}

// Every bit of the first count (1 to 8) bytes of a loaded word, in memory order.
std::uint64_t byteMask(int count)
{
    if (count >= 8) {
        return ~std::uint64_t{0};
    }
    if constexpr (std::endian::native == std::endian::little) {
        return (std::uint64_t{1} << (8 * count)) - 1;
    } else {
        return ~(~std::uint64_t{0} >> (8 * count));
    }
}

// The high bits of the first count bytes of a loaded word.
std::uint64_t firstBytes(int count)
{
    return byteMask(count) & kHighBits;
}

// One bit per byte of a loaded word (bit i for the i-th byte in memory
// order), set where the byte's high bit is set in marks.
std::uint64_t byteFlags(std::uint64_t marks)
{
    if constexpr (std::endian::native == std::endian::little) {
        // Gathers the eight high bits into the top byte, the first byte lowest.
        return ((marks >> 7) * 0x0102040810204080ULL) >> 56;
    } else {
        std::uint64_t flags = 0;
        for (int byte = 0; byte < 8; ++byte) {
            flags |= ((marks >> (63 - 8 * byte)) & 1) << byte;
        }
        return flags;
    }
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Zero exactly when all eight bytes of the word are ASCII digits.
std::uint64_t nonDigitBytes(std::uint64_t word)
{
    return ((word + kEveryByte * 0x46) | (word - kEveryByte * '0') | word) & kHighBits;
}

bool isDigitRun(const QString& needle)
{
    return !needle.isEmpty() && std::all_of(needle.begin(), needle.end(), [](QChar c) {
        return c.unicode() < 0x80 && isAsciiDigit(static_cast<char>(c.unicode()));
    });
}

// ---- a folded needle of plain ASCII, matched without regard to ASCII case ----

class AsciiNeedle
{
public:
    explicit AsciiNeedle(QStringView folded)
    {
        for (const QChar c : folded) {
            const char byte = static_cast<char>(c.unicode());
            m_bytes.append(byte);
            // A folded needle holds lower-case letters only; setting bit 5
            // of a byte turns an upper-case letter into its lower case and
            // nothing else into a letter.
            m_caseBits.append(byte >= 'a' && byte <= 'z' ? char(0x20) : char(0));
        }
        if (m_bytes.isEmpty()) {
            return;
        }
        for (qsizetype k = 0; k < std::min<qsizetype>(m_bytes.size(), kComparedBytes); ++k) {
            m_wantedOf[k] = kEveryByte * static_cast<unsigned char>(m_bytes[k]);
            m_caseBitsOf[k] = kEveryByte * static_cast<unsigned char>(m_caseBits[k]);
#ifdef NORVANE_HAS_SSE2
            m_wanted16[k] = _mm_set1_epi8(m_bytes[k]);
            m_caseBits16[k] = _mm_set1_epi8(m_caseBits[k]);
#endif
        }
        // A search row by row tests for candidates the needle's first byte
        // followed by its second, both eight at a time.
        m_second = m_bytes.size() > 1 ? 1 : 0;
        // A needle of up to eight bytes is compared as one word.
        if (m_bytes.size() <= 8) {
            const QByteArray padding(8 - m_bytes.size(), '\0');
            m_word = load8((m_bytes + padding).constData());
            m_caseWord = load8((m_caseBits + padding).constData());
            m_wordMask = byteMask(static_cast<int>(m_bytes.size()));
        }
    }

    qsizetype size() const
    {
        return m_bytes.size();
    }

    // Marks in bits (bit i of bits[i / 64] for the byte at from + i), for each
    // byte of [from, to) of data, whether the needle's first bytes (up to
    // eight) stand there, ASCII case ignored: for a needle of up to eight
    // bytes that is a match already. Bytes up to readable may be read.
    void markCandidates(const char* data, qsizetype from, qsizetype to, qsizetype readable,
                        std::vector<std::uint64_t>& bits) const
    {
        const qsizetype count = to - from;
        const qsizetype compared = std::min<qsizetype>(size(), kComparedBytes);
        // One word more than needed, so that a row's window of marks may
        // always read two words.
        bits.assign(static_cast<std::size_t>(count / 64 + 2), 0);
        qsizetype i = 0;
#ifdef NORVANE_HAS_SSE2
        for (; i + 16 <= count && from + i + compared - 1 + 16 <= readable; i += 16) {
            const char* at = data + from + i;
            __m128i hits = _mm_set1_epi8(-1);
            for (qsizetype k = 0; k < compared; ++k) {
                const __m128i bytes = _mm_or_si128(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + k)), m_caseBits16[k]);
                hits = _mm_and_si128(hits, _mm_cmpeq_epi8(bytes, m_wanted16[k]));
            }
            bits[static_cast<std::size_t>(i / 64)] |=
                std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(hits))} << (i % 64);
        }
#endif
        // Eight at a time: all of it without SSE2, the rest of a block with it.
        for (; i + 8 <= count && from + i + compared - 1 + 8 <= readable; i += 8) {
            const char* at = data + from + i;
            std::uint64_t marks = kHighBits;
            for (qsizetype k = 0; k < compared; ++k) {
                marks &= zeroBytes((load8(at + k) | m_caseBitsOf[k]) ^ m_wantedOf[k]);
            }
            bits[static_cast<std::size_t>(i / 64)] |= byteFlags(marks) << (i % 64);
        }
        for (; i < count; ++i) {
            const qsizetype at = from + i;
            bool marked = at + compared <= readable;
            for (qsizetype k = 0; marked && k < compared; ++k) {
                marked = (data[at + k] | m_caseBits[k]) == m_bytes[k];
            }
            bits[static_cast<std::size_t>(i / 64)] |= std::uint64_t{marked} << (i % 64);
        }
    }

    // Whether the needle stands in [begin, end) of data, by the candidates
    // marked from base on.
    bool holdsBetween(const char* data, qsizetype readable, const std::uint64_t* bits,
                      qsizetype base, qsizetype begin, qsizetype end) const
    {
        const qsizetype lastStart = end - size();
        if (lastStart < begin) {
            return false;
        }
        const qsizetype low = begin - base;
        const qsizetype places = lastStart - begin + 1;
        const bool exact = size() <= kComparedBytes;
        if (places <= 64 && exact) {
            // The marks of the row's places, read from two words without a
            // branch: most values are shorter than 64 bytes.
            const int shift = static_cast<int>(low % 64);
            const std::uint64_t* word = bits + low / 64;
            const std::uint64_t window = (word[0] >> shift) | ((word[1] << 1) << (63 - shift));
            return (window & (~std::uint64_t{0} >> (64 - places))) != 0;
        }
        const qsizetype high = lastStart - base;
        for (qsizetype w = low / 64; w <= high / 64; ++w) {
            std::uint64_t word = bits[w];
            if (w == low / 64) {
                word &= ~std::uint64_t{0} << (low % 64);
            }
            if (w == high / 64) {
                word &= ~std::uint64_t{0} >> (63 - high % 64);
            }
            for (; word; word &= word - 1) {
                if (exact ||
                    matchesAt(data + base + 64 * w + std::countr_zero(word), data + readable)) {
                    return true;
                }
            }
        }
        return false;
    }

    // Whether the needle starts at `at`; eight bytes from there may be read
    // when `at` is at least eight before readableEnd.
    bool matchesAt(const char* at, const char* readableEnd) const
    {
        if (m_wordMask && readableEnd - at >= 8) {
            return ((load8(at) | m_caseWord) & m_wordMask) == m_word;
        }
        for (qsizetype i = 0; i < m_bytes.size(); ++i) {
            if ((at[i] | m_caseBits[i]) != m_bytes[i]) {
                return false;
            }
        }
        return true;
    }

    // Where the needle first starts in [from, end) of data, or -1. Bytes up
    // to readable may be read (and are ignored past end), so that the end of
    // a short value is still read eight bytes at a time.
    qsizetype find(const char* data, qsizetype from, qsizetype end, qsizetype readable) const
    {
        const char* readableEnd = data + readable;
        const qsizetype lastStart = end - size();
        // Of a needle of one or two bytes, the eight-byte test already
        // compared every byte.
        const bool candidatesMatch = size() <= 2;
        qsizetype at = from;
#ifdef NORVANE_HAS_SSE2
        // Sixteen places at a time, each compared with up to eight of the
        // needle's bytes: a contact's value mostly takes one or two steps.
        const qsizetype compared = std::min<qsizetype>(size(), kComparedBytes);
        for (; at <= lastStart && at + compared - 1 + 16 <= readable; at += 16) {
            __m128i hits = _mm_set1_epi8(-1);
            for (qsizetype k = 0; k < compared; ++k) {
                const __m128i bytes =
                    _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + k)),
                                 m_caseBits16[k]);
                hits = _mm_and_si128(hits, _mm_cmpeq_epi8(bytes, m_wanted16[k]));
            }
            auto marks = static_cast<unsigned>(_mm_movemask_epi8(hits));
            if (lastStart - at < 15) {
                marks &= (1U << (lastStart - at + 1)) - 1;
            }
            for (; marks; marks &= marks - 1) {
                const qsizetype place = at + std::countr_zero(marks);
                if (size() <= kComparedBytes || matchesAt(data + place, readableEnd)) {
                    return place;
                }
            }
        }
#endif
        for (; at <= lastStart && at + m_second + 8 <= readable; at += 8) {
            std::uint64_t marks = zeroBytes((load8(data + at) | m_caseBitsOf[0]) ^ m_wantedOf[0]) &
                                  zeroBytes((load8(data + at + m_second) | m_caseBitsOf[m_second]) ^
                                            m_wantedOf[m_second]);
            if (lastStart - at < 7) {
                marks &= firstBytes(static_cast<int>(lastStart - at) + 1);
            }
            while (marks) {
                const int byte = firstMarkedByte(marks);
                if (candidatesMatch || matchesAt(data + at + byte, readableEnd)) {
                    return at + byte;
                }
                marks = withoutByte(marks, byte);
            }
        }
        for (; at <= lastStart; ++at) {
            if (matchesAt(data + at, readableEnd)) {
                return at;
            }
        }
        return -1;
    }

private:
    // A scan's marks compare up to this many of the needle's bytes.
    static constexpr qsizetype kComparedBytes = 8;

    QByteArray m_bytes;
    QByteArray m_caseBits;
    std::array<std::uint64_t, kComparedBytes> m_wantedOf{}, m_caseBitsOf{}; // each byte eight times
#ifdef NORVANE_HAS_SSE2
    __m128i m_wanted16[kComparedBytes]{}, m_caseBits16[kComparedBytes]{}; // each byte sixteen times
#endif
    std::uint64_t m_word = 0;
    std::uint64_t m_caseWord = 0;
    std::uint64_t m_wordMask = 0; // the needle's bytes in a word; 0 when longer than eight
    qsizetype m_second = 0;       // where the second byte tested stands (0 for one byte)
};

// The needle as bytes, when it is plain ASCII. Folded ASCII stays ASCII, so
// a needle that is not can only be found in the side store.
std::optional<AsciiNeedle> asciiNeedleOf(const QString& needle)
{
    const bool ascii =
        std::all_of(needle.begin(), needle.end(), [](QChar c) { return c.unicode() < 0x80; });
    return ascii ? std::optional<AsciiNeedle>(needle) : std::nullopt;
}

// ---- the scans ----

// Whether a short folded value holds the needle: a plain loop beats the
// general search, whose set-up costs more than a contact's few characters.
bool holds(QStringView value, QStringView needle)
{
    const qsizetype last = value.size() - needle.size();
    const char16_t* text = value.utf16();
    const char16_t* wanted = needle.utf16();
    for (qsizetype i = 0; i <= last; ++i) {
        if (text[i] == wanted[0] && std::equal(wanted + 1, wanted + needle.size(), text + i + 1)) {
            return true;
        }
    }
    return false;
}

// The rows of one search, and the side store's rows and folds.
struct SideStore
{
    const std::vector<int>& rows;
    const TextColumn& folded;
};

// Appends, in order, the rows in [first, last) whose value holds the needle:
// the plain-ASCII ones by the candidates marked over their bytes a block of
// rows at a time (ascii, when the needle is plain ASCII), the others by
// their folded form. Each row is tested without a branch on its outcome,
// which is as likely one way as the other on the first letters typed.
void appendRowsContaining(const ByteColumn& column, const SideStore& store, const QString& needle,
                          const AsciiNeedle* ascii, int first, int last, std::vector<int>& out)
{
    auto side = std::lower_bound(store.rows.begin(), store.rows.end(), first);
    const auto sideEnd = std::lower_bound(side, store.rows.end(), last);
    const auto sideHolds = [&](std::vector<int>::const_iterator row) {
        return holds(store.folded.at(static_cast<int>(row - store.rows.begin())), needle);
    };
    if (!ascii) {
        for (; side != sideEnd; ++side) {
            if (sideHolds(side)) {
                out.push_back(*side);
            }
        }
        return;
    }
    const char* data = column.whole().data();
    const qsizetype readable = column.whole().size();
    std::size_t found = out.size();
    out.resize(found + static_cast<std::size_t>(last - first));
    int* rows = out.data();
    constexpr int kRowsInBlock = 4096; // their marks stay in the processor's cache
    std::vector<std::uint64_t> bits;
    for (int block = first; block < last; block += kRowsInBlock) {
        const int blockEnd = std::min(last, block + kRowsInBlock);
        const qsizetype base = column.beginOf(block);
        ascii->markCandidates(data, base, column.endOf(blockEnd - 1), readable, bits);
        for (int row = block; row < blockEnd; ++row) {
            bool holdsNeedle = false;
            if (side != sideEnd && *side == row) {
                holdsNeedle = sideHolds(side++);
            } else {
                holdsNeedle = ascii->holdsBetween(data, readable, bits.data(), base,
                                                  column.beginOf(row), column.endOf(row));
            }
            rows[found] = row;
            found += holdsNeedle ? 1 : 0;
        }
    }
    out.resize(found);
}

bool valueHolds(const ByteColumn& column, int row, const AsciiNeedle& ascii)
{
    return ascii.find(column.whole().data(), column.beginOf(row), column.endOf(row),
                      column.whole().size()) >= 0;
}

// Whether one row's value holds the needle.
bool rowHolds(const ByteColumn& column, const SideStore& store,
              std::vector<int>::const_iterator side, int row, const QString& needle,
              const AsciiNeedle* ascii)
{
    if (side != store.rows.end() && *side == row) {
        return holds(store.folded.at(static_cast<int>(side - store.rows.begin())), needle);
    }
    return ascii && valueHolds(column, row, *ascii);
}

// Below this many rows a second thread costs more than it saves.
constexpr int kRowsWorthTwoThreads = 200000;

// Runs work(first, last) over [0, count): on a large table in two halves at
// once, the upper one on a helper thread. Returns the row where the upper
// half began (count when there was one part only).
template <class Work> int inHalves(int count, const Work& work)
{
    if (count < kRowsWorthTwoThreads) {
        work(0, count);
        return count;
    }
    const int middle = count / 2;
    std::thread helper([&] {
        clearUpperVectorState();
        work(middle, count);
    });
    work(0, middle);
    helper.join();
    return middle;
}

// How many bytes the UTF-8 line break at a place of a value takes (LF, CR,
// NEL, or Unicode's line or paragraph separator); 0 for none.
qsizetype lineBreakAt(QByteArrayView value, qsizetype at)
{
    const auto byte = [&](qsizetype i) {
        return i < value.size() ? static_cast<unsigned char>(value[i]) : 0;
    };
    if (byte(at) == '\n' || byte(at) == '\r') {
        return 1;
    }
    if (byte(at) == 0xC2 && byte(at + 1) == 0x85) {
        return 2;
    }
    if (byte(at) == 0xE2 && byte(at + 1) == 0x80 &&
        (byte(at + 2) == 0xA8 || byte(at + 2) == 0xA9)) {
        return 3;
    }
    return 0;
}

} // namespace

void ColumnSearch::clear()
{
    m_rows = {};
    m_folded.clear();
    m_upper = {};
    m_numberRows = {};
    m_digits.clear();
    m_byDigits = {};
    m_preparedRows = -1;
}

void ColumnSearch::prepare(const ByteColumn& column, bool numbers)
{
    if (m_preparedRows == column.size()) {
        return;
    }
    clear();
    const char* data = column.whole().data();
    const qsizetype end = column.whole().size();
    // Most values are plain ASCII on one line: look for a byte with its high
    // bit set, or a line break, eight at a time, and only then work out its
    // row. A value on several lines is searched as the list shows it.
    qsizetype at = 0;
    int row = 0;
    QString folded;
    while (at < end) {
        if (at + 8 <= end && !needsFolding(load8(data + at))) {
            at += 8;
            continue;
        }
        if (!needsFolding(static_cast<unsigned char>(data[at]))) {
            ++at;
            continue;
        }
        while (column.endOf(row) <= at) {
            ++row;
        }
        m_rows.push_back(row);
        const qsizetype length = m_folder.foldInto(
            onOneLine(QString::fromUtf8(column.at(row)), kListLineJoiner), folded);
        m_folded.append(QStringView(folded).first(length));
        at = column.endOf(row);
        ++row;
    }
    m_folded.squeeze();
    m_rows.shrink_to_fit();
    if (numbers) {
        keepDigitsOfWrittenNumbers(column);
    }
    m_preparedRows = column.size();
    // The upper half's rows are written here: had now, not during a keystroke.
    if (column.size() >= kRowsWorthTwoThreads) {
        m_upper.resize(static_cast<std::size_t>(column.size() / 2 + 1));
        m_upper.clear();
    }
}

// Most numbers typed here are digits alone: look for another byte eight at
// a time, and only then work out its row.
void ColumnSearch::keepDigitsOfWrittenNumbers(const ByteColumn& column)
{
    const char* data = column.whole().data();
    const qsizetype end = column.whole().size();
    QByteArray digits;
    qsizetype at = 0;
    int row = 0;
    while (at < end) {
        if (at + 8 <= end && !nonDigitBytes(load8(data + at))) {
            at += 8;
            continue;
        }
        if (isAsciiDigit(data[at])) {
            ++at;
            continue;
        }
        while (column.endOf(row) <= at) {
            ++row;
        }
        digits.clear();
        const QByteArrayView value = column.at(row);
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (isAsciiDigit(value[i])) {
                digits.append(value[i]);
            } else if (const qsizetype breakLength = lineBreakAt(value, i); breakLength > 0) {
                // One number per line: a run of digits is never looked
                // for across two of them.
                if (!digits.isEmpty() && !digits.endsWith('\n')) {
                    digits.append('\n');
                }
                i += breakLength - 1;
            }
        }
        if (!digits.isEmpty()) {
            m_numberRows.push_back(row);
            m_digits.append(digits);
        }
        at = column.endOf(row);
        ++row;
    }
    m_numberRows.shrink_to_fit();
    m_digits.squeeze();
}

// Adds to the rows found (ascending) those whose number's digits alone hold
// the needle, when it is a run of digits.
void ColumnSearch::addRowsByDigits(const QString& needle, std::vector<int>& rows) const
{
    if (m_numberRows.empty() || !isDigitRun(needle)) {
        return;
    }
    const AsciiNeedle digits(needle);
    m_byDigits.clear();
    appendRowsContaining(m_digits, SideStore{{}, {}}, needle, &digits, 0, m_digits.size(),
                         m_byDigits);
    const auto literal = static_cast<std::ptrdiff_t>(rows.size());
    for (const int index : m_byDigits) {
        rows.push_back(m_numberRows[static_cast<std::size_t>(index)]);
    }
    std::inplace_merge(rows.begin(), rows.begin() + literal, rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
}

void ColumnSearch::rowsContaining(const ByteColumn& column, const QString& needle,
                                  std::vector<int>& rows) const
{
    rows.clear();
    if (needle.isEmpty()) {
        rows.resize(static_cast<std::size_t>(column.size()));
        std::iota(rows.begin(), rows.end(), 0);
        return;
    }
    const std::optional<AsciiNeedle> ascii = asciiNeedleOf(needle);
    const SideStore store{m_rows, m_folded};
    // Both halves write into buffers kept from earlier searches: a million
    // rows found would otherwise fault in fresh pages on every keystroke.
    m_upper.clear();
    inHalves(column.size(), [&](int first, int last) {
        std::vector<int>& out = first == 0 ? rows : m_upper;
        appendRowsContaining(column, store, needle, ascii ? &*ascii : nullptr, first, last, out);
    });
    rows.insert(rows.end(), m_upper.begin(), m_upper.end());
    addRowsByDigits(needle, rows);
}

void ColumnSearch::narrow(const ByteColumn& column, std::vector<int>& rows,
                          const QString& needle) const
{
    if (needle.isEmpty()) {
        return;
    }
    const std::optional<AsciiNeedle> ascii = asciiNeedleOf(needle);
    const SideStore store{m_rows, m_folded};
    const bool byDigits = !m_numberRows.empty() && isDigitRun(needle);
    // Each half keeps its rows that still match at its own start, in place.
    std::array<std::size_t, 2> kept{};
    const int middle = inHalves(static_cast<int>(rows.size()), [&](int first, int last) {
        std::size_t& count = kept[first == 0 ? 0 : 1];
        auto out = rows.begin() + first;
        auto side = m_rows.begin();
        auto numbered = m_numberRows.begin();
        if (first < last) {
            const int firstRow = rows[static_cast<std::size_t>(first)];
            side = std::lower_bound(m_rows.begin(), m_rows.end(), firstRow);
            numbered = std::lower_bound(m_numberRows.begin(), m_numberRows.end(), firstRow);
        }
        // Whether the row's number, by its digits alone, holds the needle.
        const auto digitsHold = [&](int row) {
            while (numbered != m_numberRows.end() && *numbered < row) {
                ++numbered;
            }
            return numbered != m_numberRows.end() && *numbered == row &&
                   valueHolds(m_digits, static_cast<int>(numbered - m_numberRows.begin()), *ascii);
        };
        for (int i = first; i < last; ++i) {
            const int row = rows[static_cast<std::size_t>(i)];
            while (side != m_rows.end() && *side < row) {
                ++side;
            }
            if (rowHolds(column, store, side, row, needle, ascii ? &*ascii : nullptr) ||
                (byDigits && digitsHold(row))) {
                *out++ = row;
                ++count;
            }
        }
    });
    const auto upper = rows.begin() + middle;
    std::copy(upper, upper + static_cast<std::ptrdiff_t>(kept[1]),
              rows.begin() + static_cast<std::ptrdiff_t>(kept[0]));
    rows.resize(kept[0] + kept[1]);
}

} // namespace norvane
