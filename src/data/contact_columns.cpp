#include "data/contact_columns.h"

namespace norvane {

ShownText shownText(QByteArrayView utf8)
{
    // A character takes at most four bytes, so this many always hold the
    // characters shown and tell whether there are more.
    constexpr qsizetype kBytesEnough = 4 * (kLongestShownValue + 1);
    QString text = QString::fromUtf8(utf8.first(std::min(utf8.size(), kBytesEnough)));
    if (text.size() <= kLongestShownValue && utf8.size() <= kBytesEnough) {
        return {text, false};
    }
    text.truncate(kLongestShownValue);
    return {text + QChar(0x2026), true};
}

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar(0x0085) || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

QString onOneLine(const QString& text, QStringView joiner)
{
    if (std::none_of(text.cbegin(), text.cend(), isLineBreak)) {
        return text;
    }
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && isLineBreak(text[first])) {
        ++first;
    }
    while (end > first && isLineBreak(text[end - 1])) {
        --end;
    }
    QString line;
    line.reserve(end - first);
    for (qsizetype i = first; i < end; ++i) {
        if (!isLineBreak(text[i])) {
            line.append(text[i]);
        } else if (!isLineBreak(text[i - 1])) {
            line.append(joiner);
        }
    }
    return line;
}

std::size_t ContactColumns::slot(ContactColumn column)
{
    Q_ASSERT(column != ContactColumn::Id);
    return static_cast<std::size_t>(column) - 1;
}

QString ContactColumns::text(int row, ContactColumn column) const
{
    return QString::fromUtf8(m_texts[slot(column)].at(row));
}

QByteArrayView ContactColumns::utf8(int row, ContactColumn column) const
{
    return m_texts[slot(column)].at(row);
}

Contact ContactColumns::contact(int row) const
{
    Contact c;
    c.id = id(row);
    for (int column = 1; column < kContactColumnCount; ++column) {
        const auto which = static_cast<ContactColumn>(column);
        c.text(which) = text(row, which);
    }
    return c;
}

void ContactColumns::append(qint64 id,
                            const std::array<QByteArrayView, kContactColumnCount - 1>& texts)
{
    m_ids.push_back(id);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        m_texts[i].append(texts[i]);
    }
}

void ContactColumns::append(const Contact& contact)
{
    m_ids.push_back(contact.id);
    for (int column = 1; column < kContactColumnCount; ++column) {
        const auto which = static_cast<ContactColumn>(column);
        m_texts[slot(which)].append(contact.text(which).toUtf8());
    }
}

void ContactColumns::replaceText(int row, ContactColumn column, QByteArrayView utf8)
{
    m_texts[slot(column)].replace(row, utf8);
}

void ContactColumns::erase(int row)
{
    m_ids.erase(m_ids.begin() + row);
    for (auto& column : m_texts) {
        column.erase(row);
    }
}

void ContactColumns::squeeze()
{
    m_ids.shrink_to_fit();
    for (auto& column : m_texts) {
        column.squeeze();
    }
}

} // namespace norvane
