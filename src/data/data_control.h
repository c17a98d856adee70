#pragma once

#include "data/record_set.h"
#include "data/status.h"

#include <QObject>
#include <QString>
#include <memory>

namespace norvane {

class Database;

// The main window's data control: a connection text and a record source, and
// Refresh, which opens the database they name, runs the record source and
// replaces the record set. The record set object itself stays the same, so a
// grid bound to it follows every refresh.
class DataControl : public QObject
{
    Q_OBJECT
public:
    explicit DataControl(QObject* parent = nullptr);
    ~DataControl() override;

    QString connectionString() const { return m_connectionString; }
    void setConnectionString(const QString& text) { m_connectionString = text; }
    QString recordSource() const { return m_recordSource; }
    void setRecordSource(const QString& sql) { m_recordSource = sql; }

    // Opens the store and reloads the record set. On failure the record set is
    // empty, the connection closed, and the reason says what went wrong.
    Status refresh();
    // Empties the record set and closes the store.
    void close();

    RecordSet* recordSet() { return &m_recordset; }
    const RecordSet* recordSet() const { return &m_recordset; }
    // The open database, or null before a successful refresh.
    Database* database() { return m_db.get(); }

private:
    Status load();

    QString m_connectionString;
    QString m_recordSource;
    std::unique_ptr<Database> m_db;
    RecordSet m_recordset;
};

} // namespace norvane
