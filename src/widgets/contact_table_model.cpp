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
    return m_records->shownText(index.row(), column).text;
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
