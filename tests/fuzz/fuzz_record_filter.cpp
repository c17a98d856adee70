// The search filter over a record set made from the input, checked against a
// plain row-by-row search of the values as the list shows them (their lines
// joined by ", "): the same rows, in the same order, on the Name column, on
// an upper-cased copy in the Address column, and on the same lines as
// numbers in the Contact column (where a run of digits is also looked for
// among the ASCII digits alone of each line of the value). The fast folding
// of the rows must also agree with foldForSearch on every line, and the
// list's type-ahead with Qt's own comparison of the names shown.
#include "data/record_set.h"
#include "data/text_fold.h"

#include <algorithm>
#include <cstdlib>

using namespace norvane;

namespace {

void check(bool holds)
{
    if (!holds) {
        std::abort();
    }
}

// The value's ASCII digits alone, its line breaks kept between them.
QString asciiDigitsOf(const QString& value)
{
    QString digits;
    for (const QChar c : value) {
        if ((c >= u'0' && c <= u'9') || isLineBreak(c)) {
            digits.append(c);
        }
    }
    return digits;
}

bool holdsAsANumber(const QString& value, const QString& needle)
{
    const bool digitRun =
        !needle.isEmpty() &&
        std::all_of(needle.cbegin(), needle.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return digitRun && asciiDigitsOf(value).contains(needle);
}

void checkSearch(RecordSet& records, ContactColumn column, const QString& text,
                 const QStringList& values)
{
    records.setFilter(column, text);
    const QString needle = foldForSearch(text);
    QList<int> expected;
    for (int i = 0; i < values.size(); ++i) {
        if (text.isEmpty() ||
            foldForSearch(onOneLine(values[i], kListLineJoiner)).contains(needle) ||
            (column == ContactColumn::Contact && holdsAsANumber(values[i], needle))) {
            expected.append(i + 1);
        }
    }
    check(records.rowCount() == expected.size());
    for (int row = 0; row < records.rowCount(); ++row) {
        check(records.id(row) == expected[row]);
    }
}

// The rows whose name as the list shows it (on one line) starts with the
// text, letter case ignored, as QString::startsWith finds them.
void checkTypeAhead(const RecordSet& records, const QString& text)
{
    std::vector<int> expected;
    for (int row = 0; row < records.rowCount(); ++row) {
        if (onOneLine(records.shownText(row, ContactColumn::Name).text, kListLineJoiner)
                .startsWith(text, Qt::CaseInsensitive)) {
            expected.push_back(row);
        }
    }
    check(records.rowsStartingWith(ContactColumn::Name, text, 0, records.rowCount(), -1) ==
          expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first line is typed; each further line is a stored name, as raw
    // bytes (another program may have stored bytes that are not UTF-8), a
    // vertical tab in it standing for a line break within the value.
    QList<QByteArray> lines =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\n');
    if (lines.size() < 2) {
        return 0;
    }
    const QString typed = QString::fromUtf8(lines.takeFirst());
    QStringList names, addresses;
    ContactColumns rows;
    SearchFolder folder;
    for (int i = 0; i < lines.size(); ++i) {
        lines[i].replace('\v', '\n');
        names.append(QString::fromUtf8(lines[i]));
        check(folder.fold(names[i]) == foldForSearch(names[i]));
        addresses.append(names[i].toUpper());
        const QByteArray address = addresses[i].toUtf8();
        rows.append(i + 1, {lines[i], address, lines[i], {}, {}, {}});
    }
    RecordSet records;
    records.reset(nullptr, {}, std::move(rows));
    // Type the text a character at a time, as a person would, then change
    // column with the text in place.
    for (qsizetype length = 1; length <= typed.size(); ++length) {
        checkSearch(records, ContactColumn::Name, typed.left(length), names);
    }
    checkSearch(records, ContactColumn::Address, typed, addresses);
    for (qsizetype length = 1; length <= typed.size(); ++length) {
        checkSearch(records, ContactColumn::Contact, typed.left(length), names);
    }
    // Among the rows the search left, and among all.
    checkTypeAhead(records, typed);
    records.setFilter(ContactColumn::Name, QString());
    checkTypeAhead(records, typed);
    return 0;
}
