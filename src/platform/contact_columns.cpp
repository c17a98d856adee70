#include "platform/contact_columns.h"

namespace norvane {

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

void ContactColumns::replace(int row, const Contact& contact)
{
    m_ids[static_cast<std::size_t>(row)] = contact.id;
    for (int column = 1; column < kContactColumnCount; ++column) {
        const auto which = static_cast<ContactColumn>(column);
        m_texts[slot(which)].replace(row, contact.text(which).toUtf8());
    }
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
