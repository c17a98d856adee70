#include "data/contact_sql.h"

#include "data/ascii.h"

namespace norvane {

ContactUtf8::ContactUtf8(const Contact& contact)
{
    qsizetype room = 0;
    for (int column = 1; column < kContactColumnCount; ++column) {
        room += contact.text(static_cast<ContactColumn>(column)).size() * 3;
    }
    m_bytes = QByteArray(room, Qt::Uninitialized);
    char* const begin = m_bytes.data();
    char* to = begin;
    for (int column = 1; column < kContactColumnCount; ++column) {
        m_starts[column - 1] = to - begin;
        to = writeUtf8(to, contact.text(static_cast<ContactColumn>(column)));
    }
    m_starts.back() = to - begin;
    m_bytes.truncate(to - begin);
}

ContactUtf8 ContactUtf8::ofRow(const Statement& row)
{
    ContactUtf8 texts;
    std::array<QByteArrayView, kContactColumnCount - 1> stored;
    qsizetype size = 0;
    for (int column = 1; column < kContactColumnCount; ++column) {
        stored[column - 1] = row.utf8(column);
        size += stored[column - 1].size();
    }
    texts.m_bytes.reserve(size);
    for (std::size_t index = 0; index < stored.size(); ++index) {
        texts.m_starts[index] = texts.m_bytes.size();
        texts.m_bytes.append(stored[index]);
    }
    texts.m_starts.back() = texts.m_bytes.size();
    return texts;
}

QByteArrayView ContactUtf8::text(ContactColumn column) const
{
    const auto index = static_cast<std::size_t>(column) - 1;
    return QByteArrayView(m_bytes).sliced(m_starts[index], m_starts[index + 1] - m_starts[index]);
}

} // namespace norvane
