#include "data/column_search.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <thread>

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
    }

    qsizetype size() const { return m_bytes.size(); }

    bool matchesAt(const char* at) const
    {
        for (qsizetype i = 0; i < m_bytes.size(); ++i) {
            if ((at[i] | m_caseBits[i]) != m_bytes[i]) {
                return false;
            }
        }
        return true;
    }

    // Where the needle first starts in [from, end) of data, or -1.
    qsizetype find(const char* data, qsizetype from, qsizetype end) const
    {
        const qsizetype lastStart = end - size();
        const std::uint64_t wanted = kEveryByte * static_cast<unsigned char>(m_bytes[0]);
        const std::uint64_t caseBits = kEveryByte * static_cast<unsigned char>(m_caseBits[0]);
        qsizetype at = from;
        for (; at + 8 <= lastStart + 1; at += 8) {
            std::uint64_t marks = zeroBytes((load8(data + at) | caseBits) ^ wanted);
            while (marks) {
                const int byte = firstMarkedByte(marks);
                if (matchesAt(data + at + byte)) {
                    return at + byte;
                }
                marks = withoutByte(marks, byte);
            }
        }
        for (; at <= lastStart; ++at) {
            if (matchesAt(data + at)) {
                return at;
            }
        }
        return -1;
    }

private:
    QByteArray m_bytes;
    QByteArray m_caseBits;
};

bool isAsciiNeedle(const QString& needle)
{
    return std::all_of(needle.begin(), needle.end(), [](QChar c) { return c.unicode() < 0x80; });
}

qsizetype beginOf(const ByteColumn& column, int row)
{
    return row == 0 ? 0 : column.endOf(row - 1);
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

// Appends the plain-ASCII rows in [first, last) whose value holds the
// needle, found in one pass over those values end to end. A match running
// over the end of a value does not count, nor one in a row of the side store
// (its bytes are not its search form). sideRows lists those rows, ascending.
void asciiRowsContaining(const ByteColumn& column, const AsciiNeedle& needle,
                         const std::vector<int>& sideRows, int first, int last,
                         std::vector<int>& rows)
{
    const char* data = column.whole().data();
    const qsizetype end = column.endOf(last - 1);
    auto side = std::lower_bound(sideRows.begin(), sideRows.end(), first);
    qsizetype from = beginOf(column, first);
    int row = first;
    while (row < last) {
        const qsizetype at = needle.find(data, from, end);
        if (at < 0) {
            break;
        }
        while (column.endOf(row) <= at) {
            ++row;
        }
        while (side != sideRows.end() && *side < row) {
            ++side;
        }
        const bool isSide = side != sideRows.end() && *side == row;
        if (isSide || at + needle.size() <= column.endOf(row)) {
            if (!isSide) {
                rows.push_back(row);
            }
            from = column.endOf(row);
            ++row;
        } else {
            from = at + 1;
        }
    }
}

// Below this many rows a second thread costs more than it saves.
constexpr int kRowsWorthTwoThreads = 200000;

// Runs scan(first, last, out) over [0, count): on a large table in two
// halves at once, one on a helper thread. Both only read; the rows found
// come back in order.
template <class Scan> std::vector<int> scanInHalves(int count, const Scan& scan)
{
    std::vector<int> rows;
    if (count < kRowsWorthTwoThreads) {
        scan(0, count, rows);
        return rows;
    }
    const int middle = count / 2;
    std::vector<int> upper;
    std::thread helper([&] { scan(middle, count, upper); });
    scan(0, middle, rows);
    helper.join();
    rows.insert(rows.end(), upper.begin(), upper.end());
    return rows;
}

} // namespace

void ColumnSearch::clear()
{
    m_rows = {};
    m_folded.clear();
    m_preparedRows = -1;
}

void ColumnSearch::prepare(const ByteColumn& column)
{
    if (m_preparedRows == column.size()) {
        return;
    }
    clear();
    const char* data = column.whole().data();
    const qsizetype end = column.whole().size();
    // Most values are plain ASCII: look for a byte with its high bit set,
    // eight at a time, and only then work out its row.
    qsizetype at = 0;
    int row = 0;
    while (at < end) {
        if (at + 8 <= end && !(load8(data + at) & kHighBits)) {
            at += 8;
            continue;
        }
        if (static_cast<unsigned char>(data[at]) < 0x80) {
            ++at;
            continue;
        }
        while (column.endOf(row) <= at) {
            ++row;
        }
        m_rows.push_back(row);
        m_folded.append(m_folder.fold(QString::fromUtf8(column.at(row))));
        at = column.endOf(row);
        ++row;
    }
    m_folded.squeeze();
    m_rows.shrink_to_fit();
    m_preparedRows = column.size();
}

std::vector<int> ColumnSearch::rowsContaining(const ByteColumn& column, const QString& needle) const
{
    if (needle.isEmpty()) {
        std::vector<int> every(static_cast<std::size_t>(column.size()));
        std::iota(every.begin(), every.end(), 0);
        return every;
    }
    const bool asciiNeedle = isAsciiNeedle(needle);
    const AsciiNeedle ascii(asciiNeedle ? QStringView(needle) : QStringView());
    return scanInHalves(column.size(), [&](int first, int last, std::vector<int>& out) {
        if (first >= last) {
            return;
        }
        const auto sideFirst = std::lower_bound(m_rows.begin(), m_rows.end(), first);
        const auto sideLast = std::lower_bound(sideFirst, m_rows.end(), last);
        std::vector<int> found;
        for (auto side = sideFirst; side != sideLast; ++side) {
            if (holds(m_folded.at(static_cast<int>(side - m_rows.begin())), needle)) {
                found.push_back(*side);
            }
        }
        if (!asciiNeedle) {
            // Folded ASCII stays ASCII: only the side store can hold this needle.
            out.insert(out.end(), found.begin(), found.end());
            return;
        }
        if (found.empty()) {
            asciiRowsContaining(column, ascii, m_rows, first, last, out);
            return;
        }
        std::vector<int> plain;
        asciiRowsContaining(column, ascii, m_rows, first, last, plain);
        const std::size_t before = out.size();
        out.resize(before + plain.size() + found.size());
        std::merge(plain.begin(), plain.end(), found.begin(), found.end(),
                   out.begin() + static_cast<std::ptrdiff_t>(before));
    });
}

std::vector<int> ColumnSearch::narrow(const ByteColumn& column, const std::vector<int>& rows,
                                      const QString& needle) const
{
    if (needle.isEmpty()) {
        return rows;
    }
    const bool asciiNeedle = isAsciiNeedle(needle);
    const AsciiNeedle ascii(asciiNeedle ? QStringView(needle) : QStringView());
    return scanInHalves(static_cast<int>(rows.size()), [&](int first, int last,
                                                           std::vector<int>& out) {
        if (first >= last) {
            return;
        }
        auto side =
            std::lower_bound(m_rows.begin(), m_rows.end(), rows[static_cast<std::size_t>(first)]);
        for (int i = first; i < last; ++i) {
            const int row = rows[static_cast<std::size_t>(i)];
            while (side != m_rows.end() && *side < row) {
                ++side;
            }
            bool found = false;
            if (side != m_rows.end() && *side == row) {
                found = holds(m_folded.at(static_cast<int>(side - m_rows.begin())), needle);
            } else if (asciiNeedle) {
                const qsizetype begin = beginOf(column, row);
                found = ascii.find(column.whole().data(), begin, column.endOf(row)) >= 0;
            }
            if (found) {
                out.push_back(row);
            }
        }
    });
}

} // namespace norvane
