#include "platform/record_set.h"

#include "platform/contact_sql.h"
#include "platform/text_fold.h"

namespace norvane {


RecordSet::RecordSet(QObject* parent) : QObject(parent) {}

void RecordSet::reset(Database* db, QStringList columnNames, std::vector<Contact> rows)
{
    emit aboutToReset();
    m_db = db;
    m_columnNames = std::move(columnNames);
    m_rows = std::move(rows);
    m_view.reset();
    m_filter.reset();
    m_folded.clear();
    m_edit.reset();
    m_current = m_rows.empty() ? -1 : 0;
    emit wasReset();
    emit currentChanged(m_current);
}

int RecordSet::rowCount() const
{
    return static_cast<int>(m_view ? m_view->size() : m_rows.size());
}

int RecordSet::rowIndex(int visibleRow) const
{
    return m_view ? (*m_view)[static_cast<std::size_t>(visibleRow)] : visibleRow;
}

const Contact& RecordSet::row(int visibleRow) const
{
    return m_rows[static_cast<std::size_t>(rowIndex(visibleRow))];
}

const Contact* RecordSet::current() const
{
    return m_current < 0 ? nullptr : &row(m_current);
}

void RecordSet::moveTo(int visibleRow)
{
    if (visibleRow < -1 || visibleRow >= rowCount() || visibleRow == m_current) {
        return;
    }
    m_current = visibleRow;
    m_edit.reset();
    emit currentChanged(m_current);
}

void RecordSet::addNew()
{
    m_edit = Contact{};
    m_editIsNew = true;
}

Status RecordSet::setField(QStringView column, const QString& value)
{
    const std::optional<ContactColumn> which = columnFromName(column);
    if (!which || *which == ContactColumn::Id) {
        return Status::failure(tr("The table has no text column named \"%1\".").arg(column));
    }
    if (!m_edit) {
        if (!current()) {
            return Status::failure(tr("There is no current contact to change."));
        }
        m_edit = *current();
        m_editIsNew = false;
    }
    m_edit->text(*which) = value;
    return Status::success();
}

Status RecordSet::checkWritable() const
{
    if (!m_db) {
        return Status::failure(tr("The database is not open."));
    }
    return Status::success();
}

Status RecordSet::update()
{
    if (!m_edit) {
        return Status::failure(tr("Nothing was changed."));
    }
    if (Status writable = checkWritable(); !writable.ok()) {
        return writable;
    }
    QString reason;
    Statement statement = m_db->prepare(m_editIsNew ? kInsertContactSql : kUpdateContactSql, reason);
    if (!statement.isValid()) {
        return Status::failure(reason);
    }
    bindContactTexts(statement, *m_edit);
    if (!m_editIsNew) {
        statement.bind(7, m_edit->id);
    }
    if (Status written = runToEnd(*m_db, statement); !written.ok()) {
        return written;
    }
    if (m_editIsNew) {
        m_edit->id = m_db->lastInsertId();
        m_rows.push_back(*m_edit);
    } else if (m_db->changes() != 1) {
        return Status::failure(tr("The contact is no longer in the database."));
    } else {
        m_rows[static_cast<std::size_t>(rowIndex(m_current))] = *m_edit;
    }
    m_edit.reset();
    afterWrite();
    return Status::success();
}

void RecordSet::cancelUpdate()
{
    m_edit.reset();
}

Status RecordSet::deleteCurrent()
{
    if (!current()) {
        return Status::failure(tr("There is no current contact to delete."));
    }
    if (Status writable = checkWritable(); !writable.ok()) {
        return writable;
    }
    QString reason;
    Statement statement = m_db->prepare(kDeleteContactSql, reason);
    if (!statement.isValid()) {
        return Status::failure(reason);
    }
    statement.bind(1, current()->id);
    if (Status written = runToEnd(*m_db, statement); !written.ok()) {
        return written;
    }
    if (m_db->changes() != 1) {
        return Status::failure(tr("The contact is no longer in the database."));
    }
    m_rows.erase(m_rows.begin() + rowIndex(m_current));
    m_edit.reset();
    afterWrite();
    return Status::success();
}

// The rows changed under the view: show them again under the same filter.
void RecordSet::afterWrite()
{
    emit aboutToReset();
    m_folded.clear();
    m_view.reset();
    if (m_filter) {
        runFilter(m_filter->column, m_filter->needle, false);
    }
    m_current = std::min(std::max(m_current, 0), rowCount() - 1);
    emit wasReset();
    emit currentChanged(m_current);
}

const std::vector<QString>& RecordSet::foldedColumn(ContactColumn column)
{
    const auto index = static_cast<std::size_t>(column);
    if (m_folded.size() <= index) {
        m_folded.resize(kContactColumnCount);
    }
    std::vector<QString>& folded = m_folded[index];
    if (folded.size() != m_rows.size()) {
        folded.clear();
        folded.reserve(m_rows.size());
        for (const Contact& contact : m_rows) {
            folded.push_back(foldForSearch(contact.text(column)));
        }
    }
    return folded;
}

void RecordSet::runFilter(ContactColumn column, const QString& needle, bool narrow)
{
    const std::vector<QString>& folded = foldedColumn(column);
    std::vector<int> matches;
    auto test = [&](int index) {
        if (folded[static_cast<std::size_t>(index)].contains(needle)) {
            matches.push_back(index);
        }
    };
    if (narrow && m_view) {
        for (int index : *m_view) {
            test(index);
        }
    } else {
        for (int index = 0; index < static_cast<int>(folded.size()); ++index) {
            test(index);
        }
    }
    m_view = std::move(matches);
    m_filter = Filter{column, needle};
}

void RecordSet::setFilter(ContactColumn column, const QString& text)
{
    if (text.isEmpty()) {
        clearFilter();
        return;
    }
    const QString needle = foldForSearch(text);
    // A longer text holding the previous one can only match fewer rows, so
    // typing on narrows the rows already shown instead of scanning them all.
    const bool narrow = m_filter && m_filter->column == column && needle.contains(m_filter->needle);
    emit aboutToReset();
    runFilter(column, needle, narrow);
    m_edit.reset();
    m_current = rowCount() > 0 ? 0 : -1;
    emit wasReset();
    emit currentChanged(m_current);
}

void RecordSet::clearFilter()
{
    emit aboutToReset();
    m_view.reset();
    m_filter.reset();
    m_edit.reset();
    m_current = m_rows.empty() ? -1 : 0;
    emit wasReset();
    emit currentChanged(m_current);
}

} // namespace norvane
