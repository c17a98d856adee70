#include "widgets/contact_table_model.h"

#include "data/record_set.h"

namespace norvane {

ContactTableModel::ContactTableModel(RecordSet* records, QObject* parent)
    : QAbstractTableModel(parent), m_records(records)
{
    connect(records, &RecordSet::aboutToReset, this, &ContactTableModel::beginResetModel);
    connect(records, &RecordSet::wasReset, this, &ContactTableModel::endResetModel);
}

int ContactTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_records->rowCount();
}

int ContactTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kContactColumnCount;
}

QVariant ContactTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    const auto column = static_cast<ContactColumn>(index.column());
    if (column == ContactColumn::Id) {
        return m_records->id(index.row());
    }
    // The list shows a value on one line, its tooltip as stored.
    const QString shown = m_records->shownText(index.row(), column).text;
    return role == Qt::DisplayRole ? onOneLine(shown, kListLineJoiner) : shown;
}

QModelIndexList ContactTableModel::match(const QModelIndex& start, int role, const QVariant& value,
                                         int hits, Qt::MatchFlags flags) const
{
    const auto matchType = (flags & Qt::MatchTypeMask).toInt();
    if (role != Qt::DisplayRole || matchType != Qt::MatchStartsWith ||
        flags.testAnyFlags(Qt::MatchCaseSensitive | Qt::MatchRecursive) ||
        value.typeId() != QMetaType::QString ||
        !checkIndex(start, CheckIndexOption::IndexIsValid) ||
        static_cast<ContactColumn>(start.column()) == ContactColumn::Id) {
        return QAbstractTableModel::match(start, role, value, hits, flags);
    }
    const auto column = static_cast<ContactColumn>(start.column());
    const QString text = value.toString();
    // From the start row to the end, then, wrapping, from the top to it.
    std::vector<int> rows =
        m_records->rowsStartingWith(column, text, start.row(), rowCount(), hits);
    if (flags.testFlag(Qt::MatchWrap) && (hits == -1 || std::ssize(rows) < hits)) {
        const std::vector<int> above = m_records->rowsStartingWith(
            column, text, 0, start.row(), hits == -1 ? -1 : hits - static_cast<int>(rows.size()));
        rows.insert(rows.end(), above.begin(), above.end());
    }
    QModelIndexList found;
    for (const int row : rows) {
        found.append(index(row, start.column()));
    }
    return found;
}

QVariant ContactTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    const QStringList names = m_records->columnNames();
    if (section < names.size()) {
        return names.at(section);
    }
    return section < kContactColumnCount ? columnName(static_cast<ContactColumn>(section))
                                         : QVariant();
}

} // namespace norvane
