// The contact search over the loaded rows: the fast fold against the full
// one, texts that fold in awkward ways, and the memory a search keeps.
#include "data/record_set.h"
#include "data/text_fold.h"
#include "platform/process_memory.h"

#include <QSignalSpy>
#include <QTest>

using namespace norvane;

namespace {

const QStringList kAwkwardRows = {
    QStringLiteral("Ann Lee"),
    QString::fromUtf8("Ánna Kovács"),
    QString::fromUtf8("Анна Смирнова"),
    QString::fromUtf8("Δημήτρης Παππάς"),
    QString::fromUtf8("Straße 5"),
    QStringLiteral("STRASSE 7"),
    QString::fromUtf8("İstanbul"),
    QStringLiteral("Isparta"),
    QString::fromUtf8("ıspanak"),
    QString::fromUtf8("Éclair"),
    QString::fromUtf8("e\u0301clair"),
    QString::fromUtf8("\U0001F600 Smile"),
    QString::fromUtf8("\uFB01le"),
    QString::fromUtf8("Zoë"),
    QStringLiteral("zoe"),
    QStringLiteral("12 Mill Lane\r\nLeeds\n"),
    QString::fromUtf8("Ringvägen 1\n\nStockholm"),
    QString::fromUtf8("\u2028Kiel\u2029Nord"),
};

RecordSet& loaded(RecordSet& records, const QStringList& names)
{
    ContactColumns rows;
    for (int i = 0; i < names.size(); ++i) {
        Contact c;
        c.id = i;
        c.name = names[i];
        rows.append(c);
    }
    records.reset(nullptr, {}, std::move(rows));
    return records;
}

QStringList shownNames(const RecordSet& records, ContactColumn column = ContactColumn::Name)
{
    QStringList shown;
    for (int row = 0; row < records.rowCount(); ++row) {
        shown.append(records.text(row, column));
    }
    return shown;
}

// Numbers as other programs write them; the test puts them among three
// times as many without the digits searched for, so that typing on narrows
// the rows found.
const QStringList kWrittenNumbers = {
    QStringLiteral("0131 555 0000"),
    QStringLiteral("+44 (0)131-555-0000"),
    QStringLiteral("01315550000"),
    QStringLiteral("555.0000"),
    QStringLiteral("tel. 131 555"),
    QStringLiteral("1315550000x"),
    QString::fromUtf8("\u0661\u0663\u0661 555 0000"), // Arabic-Indic digits first
    QStringLiteral("no number"),
    QStringLiteral("0131 555 1234\r\n0131 555 9876"), // two numbers, one a line
};

} // namespace

class SearchTest : public QObject
{
    Q_OBJECT

private slots:
    void foldsEveryCharacterLikeTheFullFold();
    void findsAwkwardTexts_data();
    void findsAwkwardTexts();
    void narrowingFindsTheTextWhereverItStands_data();
    void narrowingFindsTheTextWhereverItStands();
    void findsANumberByItsDigitsHoweverItIsWritten_data();
    void findsANumberByItsDigitsHoweverItIsWritten();
    void resetsOnlyWhenOtherRowsAreFound_data();
    void resetsOnlyWhenOtherRowsAreFound();
    void keepsNoCopyOfTheSearchedText();
};

// Each character of the basic plane, alone, between letters and followed by
// marks that decomposition sorts: the remembered pieces must give what the
// full fold gives.
void SearchTest::foldsEveryCharacterLikeTheFullFold()
{
    SearchFolder folder;
    for (char32_t code = 0; code <= 0xFFFF; ++code) {
        if (QChar::isSurrogate(code)) {
            continue;
        }
        const QString c = QString(QChar(static_cast<char16_t>(code)));
        for (const QString& text : {c, QStringLiteral("A") + c + QStringLiteral("z"),
                                    c + QString::fromUtf8("\u0327\u0301") + c}) {
            if (folder.fold(text) != foldForSearch(text)) {
                QFAIL(qPrintable(QStringLiteral("U+%1").arg(code, 4, 16, QLatin1Char('0'))));
            }
        }
    }
}

void SearchTest::findsAwkwardTexts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    const auto row = [](int index) { return kAwkwardRows[index]; };
    QTest::newRow("latin letters meet accented ones") << "ann" << QStringList{row(0), row(1)};
    QTest::newRow("cyrillic, either case") << QString::fromUtf8("АННА") << QStringList{row(2)};
    QTest::newRow("greek without its tonos")
        << QString::fromUtf8("δημητρης") << QStringList{row(3)};
    QTest::newRow("greek final sigma meets sigma")
        << QString::fromUtf8("παππασ") << QStringList{row(3)};
    QTest::newRow("sharp s is its own letter") << QString::fromUtf8("straß") << QStringList{row(4)};
    QTest::newRow("double s does not meet sharp s") << "strass" << QStringList{row(5)};
    QTest::newRow("dotted capital I meets i, dotless i does not")
        << "is" << QStringList{row(6), row(7)};
    QTest::newRow("dotless i meets only itself") << QString::fromUtf8("ı") << QStringList{row(8)};
    QTest::newRow("composed and combining accents meet")
        << QString::fromUtf8("écl") << QStringList{row(9), row(10)};
    QTest::newRow("emoji") << QString::fromUtf8("\U0001F600") << QStringList{row(11)};
    QTest::newRow("a ligature meets its letters") << "fil" << QStringList{row(12)};
    QTest::newRow("accented text meets plain")
        << QString::fromUtf8("ZOË") << QStringList{row(13), row(14)};
    QTest::newRow("a lone mark is still looked for")
        << QString::fromUtf8("\u0301") << QStringList{};
    QTest::newRow("match across two values does not count") << "ann l" << QStringList{row(0)};
    // The list shows a value's lines joined by ", ", its breaks at either end left out.
    QTest::newRow("lines, ASCII alone, as the list joins them")
        << "lane, leeds" << QStringList{row(15)};
    QTest::newRow("lines, with other letters, as the list joins them")
        << "1, stock" << QStringList{row(16)};
    QTest::newRow("lines parted by Unicode's separators") << "kiel, n" << QStringList{row(17)};
    QTest::newRow("no comma for a break at a value's end") << "leeds," << QStringList{};
}

// The rows alternate between plain ASCII and folded ones, so a row found in
// one store must never hide or repeat a row of the other.
void SearchTest::findsAwkwardTexts()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    RecordSet records;
    loaded(records, kAwkwardRows).setFilter(ContactColumn::Name, typed);
    QCOMPARE(shownNames(records), expected);
    // Typing on narrows the rows found to the same answer as a fresh search.
    loaded(records, kAwkwardRows).setFilter(ContactColumn::Name, typed.left(1));
    records.setFilter(ContactColumn::Name, typed);
    QCOMPARE(shownNames(records), expected);
}

void SearchTest::narrowingFindsTheTextWhereverItStands_data()
{
    QTest::addColumn<QString>("typed");
    for (const char* typed : {"kayakers kayak", "kayakersk", "kayakers", "kay", "ka"}) {
        QTest::newRow(typed) << QString::fromLatin1(typed);
    }
}

// The typed text at every place of values long and short, in either case,
// after near misses, cut off by a value's end or followed by another byte, against a plain search
// at each letter; most rows hold none of it, so that typing on narrows the rows.
void SearchTest::narrowingFindsTheTextWhereverItStands()
{
    QFETCH(QString, typed);
    QStringList names;
    for (int place = 0; place < 40; ++place) {
        const QString before =
            QStringLiteral("kaya.").repeated(place / 5) + QStringLiteral(".").repeated(place % 5);
        const QString text = place % 2 ? typed.toUpper() : typed;
        names << before + text + QStringLiteral("-").repeated(place % 7)
              << before + text.chopped(1) + QStringLiteral(".").repeated(place % 3)
              << text.right(1) + before;
    }
    const qsizetype holding = names.size();
    for (qsizetype i = 0; i < 3 * holding; ++i) {
        names << QStringLiteral("1234567890").left(i % 11);
    }
    RecordSet records;
    loaded(records, names);
    for (qsizetype length = 1; length <= typed.size(); ++length) {
        const QString part = typed.left(length);
        records.setFilter(ContactColumn::Name, part);
        QStringList expected;
        std::copy_if(names.begin(), names.end(), std::back_inserter(expected),
                     [&](const QString& name) { return name.contains(part, Qt::CaseInsensitive); });
        QCOMPARE(shownNames(records), expected);
    }
}

void SearchTest::findsANumberByItsDigitsHoweverItIsWritten_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<int>>("expected"); // of kWrittenNumbers
    QTest::newRow("the digits alone") << "1315550000" << QList<int>{0, 1, 2, 5};
    QTest::newRow("a run across a dot") << "5550000" << QList<int>{0, 1, 2, 3, 5, 6};
    QTest::newRow("a run across spaces, where letters stand too")
        << "131555" << QList<int>{0, 1, 2, 4, 5, 8};
    QTest::newRow("a run in the second of two lines") << "5559876" << QList<int>{8};
    QTest::newRow("a run across two lines does not count") << "12340131" << QList<int>{};
    QTest::newRow("with a space: as written") << "555 0000" << QList<int>{0, 6};
    QTest::newRow("with a plus: as written") << "+44" << QList<int>{1};
    QTest::newRow("letters: as written") << "tel" << QList<int>{4};
}

// In the Contact column a run of digits finds a number whatever stands
// between its digits; any other text is looked for as it is written. Typed
// a character at a time, narrowing must find what a fresh search finds.
void SearchTest::findsANumberByItsDigitsHoweverItIsWritten()
{
    QFETCH(QString, typed);
    QFETCH(QList<int>, expected);
    ContactColumns rows;
    for (int i = 0; i < 4 * kWrittenNumbers.size(); ++i) {
        Contact c;
        c.id = i;
        c.contact = i < kWrittenNumbers.size() ? kWrittenNumbers[i] : QStringLiteral("7-7");
        rows.append(c);
    }
    RecordSet records;
    records.reset(nullptr, {}, std::move(rows));
    QStringList wanted;
    for (const int i : expected) {
        wanted.append(kWrittenNumbers[i]);
    }
    for (qsizetype length = 1; length <= typed.size(); ++length) {
        records.setFilter(ContactColumn::Contact, typed.left(length));
    }
    QCOMPARE(shownNames(records, ContactColumn::Contact), wanted);
    records.setFilter(ContactColumn::Contact, QString());
    records.setFilter(ContactColumn::Contact, typed);
    QCOMPARE(shownNames(records, ContactColumn::Contact), wanted);
}

void SearchTest::resetsOnlyWhenOtherRowsAreFound_data()
{
    QTest::addColumn<QStringList>("typed"); // in turn, on the Name column
    QTest::addColumn<QList<bool>>("resets");
    QTest::newRow("narrowing to the same rows")
        << QStringList{"a", "an", "ann", "anna"} << QList<bool>{true, false, false, true};
    QTest::newRow("a fresh search finding as many other rows")
        << QStringList{"b", "c", "c", "cid"} << QList<bool>{true, true, false, false};
    QTest::newRow("widening back")
        << QStringList{"anna", "ann", "", "x"} << QList<bool>{true, true, true, true};
}

// The view is told to show the rows again only when they differ from those
// shown: the same rows found again, the grid stays as it is. The first row
// becomes the current one either way.
void SearchTest::resetsOnlyWhenOtherRowsAreFound()
{
    QFETCH(QStringList, typed);
    QFETCH(QList<bool>, resets);
    const QStringList names = {QStringLiteral("Ann"), QStringLiteral("Bob"), QStringLiteral("Cid"),
                               QStringLiteral("Anna"), QStringLiteral("Dot")};
    RecordSet records;
    loaded(records, names);
    QSignalSpy before(&records, &RecordSet::aboutToReset);
    QSignalSpy after(&records, &RecordSet::wasReset);
    QSignalSpy current(&records, &RecordSet::currentChanged);
    for (qsizetype i = 0; i < typed.size(); ++i) {
        before.clear();
        after.clear();
        current.clear();
        records.setFilter(ContactColumn::Name, typed[i]);
        QCOMPARE(before.size(), resets[i] ? 1 : 0);
        QCOMPARE(after.size(), before.size());
        QCOMPARE(current.size(), 1);
        QStringList expected;
        std::copy_if(
            names.begin(), names.end(), std::back_inserter(expected),
            [&](const QString& name) { return name.contains(typed[i], Qt::CaseInsensitive); });
        QCOMPARE(shownNames(records), expected);
        QCOMPARE(records.currentRow(), expected.isEmpty() ? -1 : 0);
    }
}

// Searching every searchable column keeps no copy of its text: what stays
// after the searches is a small part of the text searched. (Coarse: the
// benchmark gives the figures.)
void SearchTest::keepsNoCopyOfTheSearchedText()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("AddressSanitizer pads every block and holds freed ones back from reuse: resident "
          "memory tells nothing of the search's own here");
#endif
    const qint64 before = residentBytes();
    if (before < 0) {
        QSKIP("this platform does not tell a process's resident memory");
    }
    ContactColumns rows;
    qint64 textBytes = 0;
    for (int i = 0; i < 20000; ++i) {
        Contact c;
        c.id = i;
        c.name = QStringLiteral("Person %1 ").arg(i).repeated(20);
        c.address = QStringLiteral("%1 Long Road, Leith ").arg(i).repeated(20);
        c.contact = QString::number(7000000000LL + i).repeated(20);
        if (i % 20 == 0) {
            c.name = QString::fromUtf8("Зоя Ægir ").repeated(20);
        }
        for (const ContactColumn column :
             {ContactColumn::Name, ContactColumn::Address, ContactColumn::Contact}) {
            textBytes += c.text(column).toUtf8().size();
        }
        rows.append(c);
    }
    rows.squeeze();
    RecordSet records;
    records.reset(nullptr, {}, std::move(rows));
    const qint64 loadedBytes = residentBytes();
    for (const ContactColumn column :
         {ContactColumn::Name, ContactColumn::Address, ContactColumn::Contact}) {
        records.setFilter(column, QStringLiteral("9"));
        QVERIFY(records.rowCount() > 0);
    }
    const qint64 grown = residentBytes() - loadedBytes;
    QVERIFY2(
        grown < textBytes / 4,
        qPrintable(QStringLiteral("%1 bytes kept for %2 bytes of text").arg(grown).arg(textBytes)));
}

QTEST_GUILESS_MAIN(SearchTest)
#include "tst_search.moc"
