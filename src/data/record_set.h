#pragma once

#include "data/column_search.h"
#include "data/contact.h"
#include "data/contact_columns.h"
#include "data/status.h"

#include <QObject>
#include <QStringList>
#include <bitset>
#include <optional>
#include <vector>

namespace norvane {

class Database;

// The rows a data control loaded, held in memory, with a current row, an edit
// buffer in the manner of a record set (add new, set fields, update) and a
// literal, case- and accent-insensitive filter that never queries the store.
// Writes go straight to the database, each its own transaction, by ID.
class RecordSet : public QObject
{
    Q_OBJECT
public:
    explicit RecordSet(QObject* parent = nullptr);

    // Replaces the rows; the filter is gone and the first row is current.
    void reset(Database* db, QStringList columnNames, ContactColumns rows);

    QStringList columnNames() const { return m_columnNames; }
    int rowCount() const;
    int totalRowCount() const { return m_rows.size(); }
    Contact row(int visibleRow) const;
    QString text(int visibleRow, ContactColumn column) const;
    // The value as the window shows it: whole, or its beginning when very long.
    ShownText shownText(int visibleRow, ContactColumn column) const;
    // The visible rows in [from, to) whose text as the list shows it (on one
    // line) starts with the text, without regard to case, as
    // QString::startsWith(text, Qt::CaseInsensitive) tells it; at most hits
    // of them, or all when hits is -1.
    std::vector<int> rowsStartingWith(ContactColumn column, const QString& text, int from, int to,
                                      int hits) const;
    qint64 id(int visibleRow) const;

    // The current row as the grid shows it; -1 when there is none.
    int currentRow() const { return m_current; }
    std::optional<Contact> current() const;
    void moveTo(int visibleRow);

    // Starts a new, empty record in the edit buffer.
    void addNew();
    // Starts editing the current record with nothing changed yet.
    void edit();
    // Sets a column of the record being edited (the current one unless addNew
    // started a new one). The name is matched without regard to letter case.
    Status setField(QStringView column, const QString& value);
    // Writes the edit buffer: a new record is inserted; for an edited one only
    // the columns set are written, by ID, and only while the row still holds
    // what was loaded (otherwise a ChangedElsewhere or Gone failure). The
    // buffer is gone afterwards, whether the write succeeded or not.
    Status update();
    // Drops the edit buffer without writing.
    void cancelUpdate();
    // Deletes the current record by its ID.
    Status deleteCurrent();
    // Keeps only rows whose column contains the text; an empty text shows all.
    void setFilter(ContactColumn column, const QString& text);
    // Does now the preparing a column's first search would do (folding its
    // rows that are not plain ASCII), so that no keystroke waits for it.
    void prepareSearch(ContactColumn column);
    void clearFilter();
    // The column of the filter in force; none while every row is shown.
    std::optional<ContactColumn> filterColumn() const
    {
        return m_filter ? std::optional(m_filter->column) : std::nullopt;
    }

signals:
    void aboutToReset();
    void wasReset();
    void currentChanged(int visibleRow);

private:
    struct Filter
    {
        ContactColumn column;
        QString needle;
    };

    // The record being edited, and which of its columns were set.
    struct Edit
    {
        Contact values;
        bool isNew = false;
        std::bitset<kContactColumnCount> changed;
    };

    int rowIndex(int visibleRow) const;
    Status insertRecord(Contact contact);
    Status updateCurrentRecord(const Edit& edit);
    Status rowStillThere(qint64 id) const;
    void clearSearches();
    // Finds the rows holding the needle into m_found; true when they are not
    // the rows shown.
    bool findRows(ContactColumn column, const QString& needle, bool narrow);
    void showFound(ContactColumn column, const QString& needle);
    // Shows the rows again under the same filter after a write; the row
    // written, if any, stays current.
    void afterWrite(std::optional<int> writtenRow = std::nullopt);
    int keepInSight(int row);
    Status checkWritable() const;

    Database* m_db = nullptr;
    QStringList m_columnNames;
    ContactColumns m_rows;
    // The row indexes shown while a filter is in force, and those a search
    // finds; the two buffers stay from one search to the next.
    std::vector<int> m_shown;
    std::vector<int> m_found;
    bool m_filtered = false;
    std::optional<Filter> m_filter;
    std::array<ColumnSearch, kContactColumnCount> m_searches; // prepared on a column's first search
    int m_current = -1;
    std::optional<Edit> m_edit;
};

} // namespace norvane
