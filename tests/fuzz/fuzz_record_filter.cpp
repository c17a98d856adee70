// The search filter over a record set made from the input, checked against a
// plain row-by-row search: the same rows, in the same order.
#include "data/record_set.h"
#include "data/text_fold.h"

#include <cstdlib>

using namespace norvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringList parts = input.split(QLatin1Char('\n'));
    if (parts.size() < 2) {
        return 0;
    }
    const QString typed = parts.takeFirst();
    ContactColumns rows;
    for (int i = 0; i < parts.size(); ++i) {
        Contact c;
        c.id = i + 1;
        c.name = parts[i];
        c.address = parts[i].toUpper();
        rows.append(c);
    }
    RecordSet records;
    records.reset(nullptr, {}, std::move(rows));
    // Type the text a character at a time, as a person would.
    for (qsizetype length = 1; length <= typed.size(); ++length) {
        const QString text = typed.left(length);
        records.setFilter(ContactColumn::Name, text);
        const QString needle = foldForSearch(text);
        QList<int> expected;
        for (int i = 0; i < parts.size(); ++i) {
            if (needle.isEmpty() || foldForSearch(parts[i]).contains(needle)) {
                expected.append(i + 1);
            }
        }
        if (records.rowCount() != expected.size()) {
            std::abort();
        }
        for (int row = 0; row < records.rowCount(); ++row) {
            if (records.id(row) != expected[row]) {
                std::abort();
            }
        }
    }
    return 0;
}
