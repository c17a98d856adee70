#pragma once

#include "data/contact_columns.h"
#include "data/text_fold.h"

#include <QString>
#include <vector>

namespace norvane {

// The literal, case- and accent-insensitive search of one column of the
// loaded rows, over the UTF-8 bytes they already hold. A row of plain ASCII
// is compared as it lies, letter case ignored on the fly; only the rows
// holding other characters or line breaks are folded, once, into a side
// store. A row is found exactly when foldForSearch(onOneLine(value, ", "))
// (the value as the list shows it) contains the folded typed text, or, in a
// column of numbers, when the text is a run of digits that the digits alone
// of one of the value's lines hold (numbers taken in from other programs
// are written with spaces, dashes and brackets; a contact's numbers stand
// one to a line).
class ColumnSearch
{
public:
    // Folds the column's rows that are not plain ASCII on one line, and for a column of
    // numbers keeps the digits of those written with other characters,
    // unless done already for this many rows; clear() forgets them when the
    // rows change.
    void prepare(const ByteColumn& column, bool numbers = false);
    void clear();

    // Fills rows with the rows, ascending, whose value holds the needle (a
    // folded text). rows keeps its buffer from search to search.
    void rowsContaining(const ByteColumn& column, const QString& needle,
                        std::vector<int>& rows) const;
    // Keeps, in place, those of the given rows (ascending) whose value holds
    // the needle.
    void narrow(const ByteColumn& column, std::vector<int>& rows, const QString& needle) const;

private:
    void keepDigitsOfWrittenNumbers(const ByteColumn& column);
    void addRowsByDigits(const QString& needle, std::vector<int>& rows) const;

    std::vector<int> m_rows; // rows that are not plain ASCII, ascending
    TextColumn m_folded;     // their folded values, in the same order
    int m_preparedRows = -1;
    mutable std::vector<int> m_upper; // the upper half's rows found, kept for the next search
    SearchFolder m_folder;
    std::vector<int> m_numberRows;       // rows of digits among other characters, ascending
    ByteColumn m_digits;                 // their digits alone, in the same order
    mutable std::vector<int> m_byDigits; // kept from search to search
};

} // namespace norvane
