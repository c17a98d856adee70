#include "data/record_set.h"

#include "data/ascii.h"
#include "data/contact_sql.h"
#include "data/text_fold.h"

#include <algorithm>

namespace norvane {

RecordSet::RecordSet(QObject* parent) : QObject(parent) {}

void RecordSet::reset(Database* db, QStringList columnNames, ContactColumns rows)
{
    emit aboutToReset();
    m_db = db;
    m_columnNames = std::move(columnNames);
    m_rows = std::move(rows);
    m_filtered = false;
    m_shown = {};
    m_found = {};
    m_filter.reset();
    clearSearches();
    m_edit.reset();
    m_current = m_rows.size() == 0 ? -1 : 0;
    emit wasReset();
    emit currentChanged(m_current);
}

int RecordSet::rowCount() const
{
    return m_filtered ? static_cast<int>(m_shown.size()) : m_rows.size();
}

int RecordSet::rowIndex(int visibleRow) const
{
    return m_filtered ? m_shown[static_cast<std::size_t>(visibleRow)] : visibleRow;
}

Contact RecordSet::row(int visibleRow) const
{
    return m_rows.contact(rowIndex(visibleRow));
}

QString RecordSet::text(int visibleRow, ContactColumn column) const
{
    return m_rows.text(rowIndex(visibleRow), column);
}

ShownText RecordSet::shownText(int visibleRow, ContactColumn column) const
{
    return norvane::shownText(m_rows.utf8(rowIndex(visibleRow), column));
}

std::vector<int> RecordSet::rowsStartingWith(ContactColumn column, const QString& text, int from,
                                             int to, int hits) const
{
    std::vector<int> found;
    // A value too long to show whole is shown as its beginning and an
    // ellipsis, which only a text longer than that beginning reaches.
    const std::optional<QByteArray> prefix =
        text.size() <= kLongestShownValue ? foldedAscii(text) : std::nullopt;
    const ByteColumn& values = m_rows.column(column);
    for (int visible = from; visible < to && (hits == -1 || std::ssize(found) < hits); ++visible) {
        const std::optional<bool> starts =
            prefix ? startsWithFoldedAscii(values.at(rowIndex(visible)), *prefix) : std::nullopt;
        if (starts ? *starts
                   : onOneLine(shownText(visible, column).text, kListLineJoiner)
                         .startsWith(text, Qt::CaseInsensitive)) {
            found.push_back(visible);
        }
    }
    return found;
}

qint64 RecordSet::id(int visibleRow) const
{
    return m_rows.id(rowIndex(visibleRow));
}

std::optional<Contact> RecordSet::current() const
{
    if (m_current < 0) {
        return std::nullopt;
    }
    return row(m_current);
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
    m_edit = Edit{Contact{}, true, {}};
}

void RecordSet::edit()
{
    m_edit.reset();
    if (const std::optional<Contact> row = current()) {
        m_edit = Edit{*row, false, {}};
    }
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
        m_edit = Edit{*current(), false, {}};
    }
    m_edit->values.text(*which) = value;
    m_edit->changed.set(static_cast<std::size_t>(*which));
    return Status::success();
}

Status RecordSet::checkWritable() const
{
    if (!m_db) {
        return Status::failure(tr("The database is not open."));
    }
    return checkContactTableWritable(*m_db);
}

Status RecordSet::update()
{
    if (!m_edit) {
        return Status::failure(tr("Nothing was changed."));
    }
    // The buffer goes whatever happens: a failed write must leave nothing
    // behind for the next operation to write by mistake.
    const Edit edit = std::move(*m_edit);
    m_edit.reset();
    if (Status writable = checkWritable(); !writable.ok()) {
        return writable;
    }
    return edit.isNew ? insertRecord(edit.values) : updateCurrentRecord(edit);
}

Status RecordSet::insertRecord(Contact contact)
{
    QString reason;
    Statement statement = m_db->prepare(kInsertContactSql, reason);
    if (!statement.isValid()) {
        return Status::failure(reason);
    }
    bindContactTexts(statement, contact);
    if (Status written = runToEnd(*m_db, statement); !written.ok()) {
        return written;
    }
    contact.id = m_db->lastInsertId();
    m_rows.append(contact);
    afterWrite(m_rows.size() - 1);
    return Status::success();
}

// Writes only the columns that were set, and only while the row still holds
// what was loaded: another program's change is never overwritten, and a
// value nobody touched is never rewritten (a lone CR, bytes that are not
// UTF-8, NULL and BLOB values stay exactly as they are).
Status RecordSet::updateCurrentRecord(const Edit& edit)
{
    const int index = rowIndex(m_current);
    QByteArray assignments;
    QByteArray conditions;
    int parameter = 2; // ?1 is the ID
    for (int c = 1; c < kContactColumnCount; ++c) {
        if (!edit.changed.test(static_cast<std::size_t>(c))) {
            continue;
        }
        const QByteArray name = columnName(static_cast<ContactColumn>(c)).toLatin1();
        assignments +=
            (assignments.isEmpty() ? "" : ", ") + name + " = ?" + QByteArray::number(parameter++);
        conditions +=
            " AND coalesce(CAST(" + name + " AS TEXT), '') = ?" + QByteArray::number(parameter++);
    }
    if (assignments.isEmpty()) {
        return rowStillThere(edit.values.id);
    }
    const QByteArray sql = "UPDATE tblYou SET " + assignments + " WHERE ID = ?1" + conditions;
    QString reason;
    Statement statement = m_db->prepare(sql.constData(), reason);
    if (!statement.isValid()) {
        return Status::failure(reason);
    }
    statement.bind(1, edit.values.id);
    parameter = 2;
    for (int c = 1; c < kContactColumnCount; ++c) {
        const auto column = static_cast<ContactColumn>(c);
        if (edit.changed.test(static_cast<std::size_t>(c))) {
            statement.bind(parameter++, edit.values.text(column));
            statement.bindUtf8(parameter++, m_rows.utf8(index, column));
        }
    }
    if (Status written = runToEnd(*m_db, statement); !written.ok()) {
        return written;
    }
    if (m_db->changes() != 1) {
        const Status there = rowStillThere(edit.values.id);
        return there.ok()
                   ? Status::failure(tr("%1 was changed by another program; your edit "
                                        "was not saved.")
                                         .arg(shownText(m_current, ContactColumn::Name).text),
                                     Status::Failure::ChangedElsewhere)
                   : there;
    }
    for (int c = 1; c < kContactColumnCount; ++c) {
        if (edit.changed.test(static_cast<std::size_t>(c))) {
            const auto column = static_cast<ContactColumn>(c);
            m_rows.replaceText(index, column, edit.values.text(column).toUtf8());
        }
    }
    afterWrite(index);
    return Status::success();
}

Status RecordSet::rowStillThere(qint64 id) const
{
    QString reason;
    Statement statement = m_db->prepare("SELECT 1 FROM tblYou WHERE ID = ?1", reason);
    if (!statement.isValid()) {
        return Status::failure(reason);
    }
    statement.bind(1, id);
    bool done = false;
    if (statement.next(done)) {
        return Status::success();
    }
    return done ? contactGone() : Status::failure(m_db->lastError());
}

void RecordSet::cancelUpdate()
{
    m_edit.reset();
}

Status RecordSet::deleteCurrent()
{
    m_edit.reset();
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
        return contactGone();
    }
    m_rows.erase(rowIndex(m_current));
    afterWrite();
    return Status::success();
}

// The rows changed under the view: show them again under the same filter.
void RecordSet::afterWrite(std::optional<int> writtenRow)
{
    emit aboutToReset();
    clearSearches();
    m_filtered = false;
    if (m_filter) {
        findRows(m_filter->column, m_filter->needle, false);
        showFound(m_filter->column, m_filter->needle);
    }
    m_current =
        writtenRow ? keepInSight(*writtenRow) : std::min(std::max(m_current, 0), rowCount() - 1);
    emit wasReset();
    emit currentChanged(m_current);
}

// The contact just saved stays shown and current, even when it no longer
// holds the text searched for: the fields must not move to another contact
// while its "updated" message is up. A further search checks it again.
int RecordSet::keepInSight(int row)
{
    if (!m_filtered) {
        return row;
    }
    const auto place = std::lower_bound(m_shown.begin(), m_shown.end(), row);
    if (place == m_shown.end() || *place != row) {
        return static_cast<int>(m_shown.insert(place, row) - m_shown.begin());
    }
    return static_cast<int>(place - m_shown.begin());
}

void RecordSet::clearSearches()
{
    for (ColumnSearch& search : m_searches) {
        search.clear();
    }
}

void RecordSet::prepareSearch(ContactColumn column)
{
    m_searches[static_cast<std::size_t>(column)].prepare(m_rows.column(column),
                                                         column == ContactColumn::Contact);
    // The rows found are written here; their memory is had now rather than
    // page by page during the first keystroke.
    for (std::vector<int>* rows : {&m_shown, &m_found}) {
        if (rows->capacity() < static_cast<std::size_t>(m_rows.size())) {
            rows->resize(static_cast<std::size_t>(m_rows.size()));
            rows->clear();
        }
    }
}

bool RecordSet::findRows(ContactColumn column, const QString& needle, bool narrow)
{
    const ByteColumn& values = m_rows.column(column);
    prepareSearch(column);
    const ColumnSearch& search = m_searches[static_cast<std::size_t>(column)];
    // Narrowing checks only the rows shown; a fresh search makes one pass
    // over the whole column, which is also the quicker way when most rows
    // are shown (one pass over the bytes instead of one search per row):
    // from about a third of the rows on, in a measurement at a million.
    if (narrow && m_filtered && m_shown.size() * 3 < static_cast<std::size_t>(m_rows.size())) {
        m_found.assign(m_shown.begin(), m_shown.end());
        search.narrow(values, m_found, needle);
    } else {
        search.rowsContaining(values, needle, m_found);
    }
    return !m_filtered || m_found != m_shown;
}

void RecordSet::showFound(ContactColumn column, const QString& needle)
{
    std::swap(m_shown, m_found);
    m_filtered = true;
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
    if (findRows(column, needle, narrow)) {
        emit aboutToReset();
        showFound(column, needle);
        emit wasReset();
    } else {
        // The same rows as before, as when a further letter of a name finds
        // no fewer people: the view keeps them and is not drawn again.
        m_filter = Filter{column, needle};
    }
    m_edit.reset();
    m_current = rowCount() > 0 ? 0 : -1;
    emit currentChanged(m_current);
}

void RecordSet::clearFilter()
{
    emit aboutToReset();
    m_filtered = false;
    m_filter.reset();
    m_edit.reset();
    m_current = m_rows.size() == 0 ? -1 : 0;
    emit wasReset();
    emit currentChanged(m_current);
}

} // namespace norvane
