#pragma once

#include "data/contact.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace norvane {

// How much of a stored value the window shows. Values typed in Norvane are
// far shorter; a longer one (written by another program) is shown by its
// beginning, since laying out megabytes of text would freeze the window.
inline constexpr qsizetype kLongestShownValue = 5000;

struct ShownText
{
    QString text;
    bool cut = false; // only the beginning of the value, followed by an ellipsis
};

// The text shown for a stored UTF-8 value; only the bytes shown are decoded.
ShownText shownText(QByteArrayView utf8);

// Whether a character ends a line: LF, CR, NEL, or Unicode's line or
// paragraph separator.
bool isLineBreak(QChar c);
// The text on one line: line breaks at its ends dropped, and each run of
// them inside it replaced by the joiner.
QString onOneLine(const QString& text, QStringView joiner);
// What stands between a value's lines where the list shows it on one line,
// and where the search reads it so.
inline constexpr QStringView kListLineJoiner = u", ";

// A column of texts stored end to end in one buffer, with the end of each
// row's value: a hundred thousand values cost one allocation, not a hundred
// thousand, and a scan over them reads memory in order. Text is QString
// (UTF-16, for searching) or QByteArray (UTF-8, the compact stored form).
template <class Text> class PackedColumn
{
public:
    using View = std::conditional_t<std::is_same_v<Text, QString>, QStringView, QByteArrayView>;

    int size() const { return static_cast<int>(m_ends.size()); }
    View at(int row) const
    {
        const quint32 from = begin(row);
        return View(m_text).sliced(from, m_ends[static_cast<std::size_t>(row)] - from);
    }
    // All values end to end, and where a row's value ends in it.
    View whole() const { return View(m_text); }
    qsizetype beginOf(int row) const { return begin(row); }
    qsizetype endOf(int row) const { return m_ends[static_cast<std::size_t>(row)]; }

    // Grows the buffer by hand, doubling it, and copies the value in: the
    // load appends every value of the table here, and the general append
    // costs several times the copy itself.
    void append(View text)
    {
        const qsizetype at = m_text.size();
        const qsizetype end = at + text.size();
        if (end > m_text.capacity()) {
            m_text.reserve(std::max(end, 2 * m_text.capacity()));
        }
        m_text.resize(end);
        if (!text.isEmpty()) {
            std::memcpy(m_text.data() + at, text.data(), text.size() * sizeof(*text.data()));
        }
        m_ends.push_back(static_cast<quint32>(end));
    }
    void replace(int row, View text)
    {
        const quint32 from = begin(row);
        const qsizetype oldLength = m_ends[static_cast<std::size_t>(row)] - from;
        m_text.replace(from, oldLength, Text(text.data(), text.size()));
        const qsizetype shift = text.size() - oldLength;
        for (std::size_t i = static_cast<std::size_t>(row); i < m_ends.size(); ++i) {
            m_ends[i] = static_cast<quint32>(m_ends[i] + shift);
        }
    }
    void erase(int row)
    {
        replace(row, View());
        m_ends.erase(m_ends.begin() + row);
    }
    void clear()
    {
        m_text = Text();
        m_ends = {};
    }
    // Gives back what growing left unused.
    void squeeze()
    {
        m_text.squeeze();
        m_ends.shrink_to_fit();
    }

private:
    quint32 begin(int row) const
    {
        return row == 0 ? 0 : m_ends[static_cast<std::size_t>(row - 1)];
    }

    Text m_text;
    std::vector<quint32> m_ends;
};

using TextColumn = PackedColumn<QString>;
using ByteColumn = PackedColumn<QByteArray>;

// The rows of tblYou held by column, their texts in UTF-8.
class ContactColumns
{
public:
    int size() const { return static_cast<int>(m_ids.size()); }
    qint64 id(int row) const { return m_ids[static_cast<std::size_t>(row)]; }
    QString text(int row, ContactColumn column) const;
    QByteArrayView utf8(int row, ContactColumn column) const;
    const ByteColumn& column(ContactColumn column) const { return m_texts[slot(column)]; }
    Contact contact(int row) const;

    // Appends a row given as UTF-8 texts, NAME to PROFILE.
    void append(qint64 id, const std::array<QByteArrayView, kContactColumnCount - 1>& texts);
    void append(const Contact& contact);
    void replaceText(int row, ContactColumn column, QByteArrayView utf8);
    void erase(int row);
    void squeeze();

private:
    static std::size_t slot(ContactColumn column);

    std::vector<qint64> m_ids;
    std::array<ByteColumn, kContactColumnCount - 1> m_texts;
};

} // namespace norvane
