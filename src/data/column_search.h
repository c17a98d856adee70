#pragma once

#include "data/contact_columns.h"
#include "data/text_fold.h"

#include <QString>
#include <vector>

namespace norvane {

// The literal, case- and accent-insensitive search of one column of the
// loaded rows, over the UTF-8 bytes they already hold. A row of plain ASCII
// is compared as it lies, letter case ignored on the fly; only the rows
// holding other characters are folded, once, into a side store. A row is
// found exactly when foldForSearch(value) contains the folded typed text.
class ColumnSearch
{
public:
    // Folds the column's rows that are not plain ASCII, unless done already
    // for this many rows; clear() forgets them when the rows change.
    void prepare(const ByteColumn& column);
    void clear();

    // The rows, ascending, whose value holds the needle (a folded text).
    std::vector<int> rowsContaining(const ByteColumn& column, const QString& needle) const;
    // Those of the given rows (ascending) whose value holds the needle.
    std::vector<int> narrow(const ByteColumn& column, const std::vector<int>& rows,
                            const QString& needle) const;

private:
    std::vector<int> m_rows; // rows that are not plain ASCII, ascending
    TextColumn m_folded;     // their folded values, in the same order
    int m_preparedRows = -1;
    SearchFolder m_folder;
};

} // namespace norvane
