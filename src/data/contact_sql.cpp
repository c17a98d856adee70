#include "data/contact_sql.h"

#include "data/ascii.h"

#include <QCoreApplication>
#include <bitset>

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

namespace {

// Whether a column declared so keeps a text as it is written. The engine
// gives a column its kind by its declared type: one of a numeric kind (INT,
// REAL, NUMERIC, or a type it does not know, such as MEMO) stores "0131" as
// the number 131 and "+44" as 44.
bool keepsTextAsWritten(const QString& declaredType)
{
    const QString type = declaredType.toUpper();
    if (type.contains(QLatin1String("INT"))) {
        return false;
    }
    for (const char* kept : {"CHAR", "CLOB", "TEXT", "BLOB"}) {
        if (type.contains(QLatin1String(kept))) {
            return true;
        }
    }
    return type.isEmpty();
}

Status tableMadeElsewhere(const QString& what)
{
    return Status::failure(QCoreApplication::translate(
                               "ContactTable", "The contact table was made by another program: "
                                               "%1. Norvane changes nothing in this book.")
                               .arg(what),
                           Status::Failure::TableNotChanged);
}

} // namespace

Status checkContactTableWritable(Database& db)
{
    QString reason;
    Statement columns = db.prepare("PRAGMA table_info(tblYou)", reason);
    if (!columns.isValid()) {
        return Status::failure(reason);
    }
    // Each column: cid, name, type, notnull, dflt_value and its place in the key.
    int keyColumns = 0;
    bool idIsTheKey = false;
    QString numericColumn;
    std::bitset<kContactColumnCount> present;
    bool done = false;
    while (columns.next(done)) {
        const QString name = columns.text(1);
        const QString type = columns.text(2);
        const auto column = columnFromName(name);
        if (column) {
            present.set(static_cast<std::size_t>(*column));
        }
        if (columns.integer(5) > 0) {
            ++keyColumns;
            idIsTheKey = column == ContactColumn::Id &&
                         type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        } else if (column && column != ContactColumn::Id && !keepsTextAsWritten(type) &&
                   numericColumn.isEmpty()) {
            numericColumn =
                QCoreApplication::translate(
                    "ContactTable", "its column %1 is declared %2, which stores a number such as "
                                    "0131 as 131")
                    .arg(name, type);
        }
    }
    if (!done) {
        return Status::failure(db.lastError());
    }
    // Every write names all seven columns: one missing would fail each of
    // them (the window does not open such a table at all).
    for (int c = 0; c < kContactColumnCount; ++c) {
        if (!present.test(static_cast<std::size_t>(c))) {
            return Status::failure(
                QCoreApplication::translate("ContactTable", "The contact table has no column %1.")
                    .arg(columnName(static_cast<ContactColumn>(c))),
                Status::Failure::TableNotChanged);
        }
    }
    if (keyColumns != 1 || !idIsTheKey) {
        return tableMadeElsewhere(QCoreApplication::translate(
            "ContactTable", "its ID column is not its INTEGER PRIMARY KEY, so a change by ID "
                            "could reach several contacts, or another one than meant"));
    }
    return numericColumn.isEmpty() ? Status::success() : tableMadeElsewhere(numericColumn);
}

} // namespace norvane
