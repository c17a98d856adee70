#include "data/data_control.h"

#include "data/connection_text.h"
#include "data/database.h"

#include <array>

namespace norvane {

DataControl::DataControl(QObject* parent) : QObject(parent) {}

// The record set goes before the database it refers to (declared after it),
// and quietly: whoever listens to it may be going too.
DataControl::~DataControl() = default;

Status DataControl::refresh()
{
    const Status loaded = load();
    if (!loaded.ok()) {
        close();
    }
    return loaded;
}

void DataControl::close()
{
    m_recordset.reset(nullptr, {}, {});
    m_db.reset();
}

Status DataControl::load()
{
    ConnectionParts parts;
    if (Status parsed = parseConnectionText(m_connectionString, parts); !parsed.ok()) {
        return parsed;
    }
    QString reason;
    bool wrongKey = false;
    std::unique_ptr<Database> db =
        Database::open(dataSourcePath(parts.dataSource), parts.password, reason, &wrongKey);
    if (!db) {
        return Status::failure(reason,
                               wrongKey ? Status::Failure::WrongKey : Status::Failure::General);
    }
    const QByteArray sql = m_recordSource.toUtf8();
    Statement statement = db->prepare(sql.constData(), reason);
    if (!statement.isValid()) {
        return Status::failure(reason);
    }
    // Columns are found by name, so the table's own column order does not matter.
    std::array<int, kContactColumnCount> source;
    source.fill(-1);
    QStringList names;
    for (int i = 0; i < statement.columnCount(); ++i) {
        names.append(statement.columnName(i));
        if (const auto column = columnFromName(names.last())) {
            source[static_cast<std::size_t>(*column)] = i;
        }
    }
    for (std::size_t c = 0; c < source.size(); ++c) {
        if (source[c] < 0) {
            return Status::failure(tr("The contact table has no column %1.")
                                       .arg(columnName(static_cast<ContactColumn>(c))));
        }
    }
    ContactColumns rows;
    std::array<QByteArrayView, kContactColumnCount - 1> texts;
    bool done = false;
    while (statement.next(done)) {
        for (std::size_t c = 1; c < source.size(); ++c) {
            texts[c - 1] = statement.utf8(source[c]);
        }
        rows.append(statement.integer(source[0]), texts);
    }
    rows.squeeze();
    if (!done) {
        return Status::failure(db->lastError());
    }
    m_db = std::move(db);
    QStringList shown;
    for (int c = 0; c < kContactColumnCount; ++c) {
        shown.append(names[source[static_cast<std::size_t>(c)]]);
    }
    m_recordset.reset(m_db.get(), shown, std::move(rows));
    return Status::success();
}

} // namespace norvane
