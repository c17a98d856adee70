#pragma once

#include "data/contact.h"

#include <QAbstractTableModel>

namespace norvane {

class RecordSet;

// Presents the record set's visible rows to the grid, every column under the
// name the table gives it. It holds no rows of its own, so a filter over a
// hundred thousand contacts costs the grid nothing but a reset.
class ContactTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ContactTableModel(RecordSet* records, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    RecordSet* m_records;
};

} // namespace norvane
