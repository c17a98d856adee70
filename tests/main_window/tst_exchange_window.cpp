// Import and export from the window: the grid's right-click menu, files
// dropped on the window, the report, and the reload that keeps the place.
#include "data/connection_text.h"
#include "data/database.h"
#include "support/running_app.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTableView>
#include <QTimer>

using namespace norvane;
using namespace norvane::testing;

namespace {

void trigger(const RunningApp& app, const char* action)
{
    auto* found = app.find<QTableView>("DataGrid1")->findChild<QAction*>(QLatin1String(action));
    QVERIFY(found);
    found->trigger();
    app.settle();
}

QString writeCards(const RunningApp& app, const QString& name, const QByteArray& bytes)
{
    const QString path = QDir(app.folder.path()).filePath(name);
    writeFile(path, bytes);
    return path;
}

const QByteArray kTwoCardsAndABrokenOne =
    "BEGIN:VCARD\nVERSION:3.0\nFN:Cara Bell\nTEL:0131 496 0000\nEND:VCARD\n"
    "BEGIN:VCARD\nVERSION:3.0\nFN:Dev Rao\nEMAIL:dev@example.org\nEND:VCARD\n"
    "BEGIN:VCARD\nVERSION:3.0\nNOTE:nothing to name it by\nEND:VCARD\n";

} // namespace

class ExchangeWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void theGridMenuOffersImportAndExport();
    void importsFromTheMenuAndReportsWhatItDid();
    void listsAFewHundredCardsUnderDetailsAndCountsTheRest();
    void droppedFilesAreImportedOnlyWhenTheUserAgrees_data();
    void droppedFilesAreImportedOnlyWhenTheUserAgrees();
    void nothingIsImportedOverWhatTheUserTypes();
    void exportsAllOrTheSelectedContactByTheChosenName_data();
    void exportsAllOrTheSelectedContactByTheChosenName();
    void refusesToExportAContactRemovedElsewhere_data();
    void refusesToExportAContactRemovedElsewhere();
    void aNameWithoutSuffixTakesTheTypeChosen_data();
    void aNameWithoutSuffixTakesTheTypeChosen();
};

void ExchangeWindowTest::theGridMenuOffersImportAndExport()
{
    RunningApp app;
    auto* grid = app.find<QTableView>("DataGrid1");
    QCOMPARE(grid->contextMenuPolicy(), Qt::ActionsContextMenu);
    QStringList texts;
    for (const QAction* action : grid->actions()) {
        texts.append(action->text());
    }
    QCOMPARE(texts, QStringList({"Import contacts...", "Export all contacts...",
                                 "Export selected contact..."}));
}

void ExchangeWindowTest::importsFromTheMenuAndReportsWhatItDid()
{
    RunningApp app({contact(QStringLiteral("Ann Lee"), QStringLiteral("1")),
                    contact(QStringLiteral("Bob Ek"), QStringLiteral("2"), {}, {}, {},
                            QStringLiteral("bob.png"))});
    app.folder.writePicture(QStringLiteral("IMG/bob.png"));
    app.find<QTableView>("DataGrid1")->selectRow(1);
    const QString file = writeCards(app, QStringLiteral("people.vcf"), kTwoCardsAndABrokenOne);
    app.fakes.files.nextContactFiles = {{file}};
    trigger(app, "importContactsAction");
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    const AskedBox report = app.fakes.messages.asked[0];
    QCOMPARE(report.text, QStringLiteral("Contacts imported: 2, updated: 0, skipped: 1."));
    QCOMPARE(report.icon, BoxIcon::Information);
    QCOMPARE(report.details, file + QStringLiteral(":11: a card without a name, e-mail or number"));
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 4);
    // The reload keeps the contact the user was on.
    QCOMPARE(app.shownContact().name, QStringLiteral("Bob Ek"));
    // A cancelled dialog imports nothing and says nothing.
    trigger(app, "importContactsAction");
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    // A file refused whole is a warning, not a quiet "Contacts imported: 0".
    const QString notes = writeCards(app, QStringLiteral("notes.vcf"), "shopping list\n");
    app.fakes.files.nextContactFiles = {{notes}};
    trigger(app, "importContactsAction");
    QCOMPARE(app.fakes.messages.asked.size(), 2);
    QCOMPARE(app.fakes.messages.asked[1].icon, BoxIcon::Warning);
    QCOMPARE(app.fakes.messages.asked[1].details,
             notes + QStringLiteral(":1: neither a vCard nor a CSV file"));
}

void ExchangeWindowTest::listsAFewHundredCardsUnderDetailsAndCountsTheRest()
{
    RunningApp app;
    QByteArray csv = "Name,Address,Contact,Email,Company,Photo\n";
    for (int i = 0; i < 503; ++i) {
        csv += "Ann,1,2,,,,\n"; // a comma too many
    }
    const QString file = writeCards(app, QStringLiteral("extra.csv"), csv);
    app.fakes.files.nextContactFiles = {{file}};
    trigger(app, "importContactsAction");
    const QStringList details = app.fakes.messages.asked.value(0).details.split(u'\n');
    QCOMPARE(details.size(), 501);
    QCOMPARE(details[499], file + QStringLiteral(":501: 7 fields where the header names 6; a "
                                                 "comma outside quotes?"));
    QCOMPARE(details[500], QStringLiteral("... and 3 more."));

    // The same for the photos an export leaves out.
    QList<Contact> withoutTheirPhotos;
    for (int i = 0; i < 502; ++i) {
        withoutTheirPhotos.append(contact(QStringLiteral("Bo"), QStringLiteral("1"), {}, {}, {},
                                          QStringLiteral("gone.png")));
    }
    app.folder.add(withoutTheirPhotos);
    app.fakes.files.nextSavePaths = {app.folder.path() + QStringLiteral("/all.vcf")};
    trigger(app, "exportAllAction");
    const QStringList leftOut = app.fakes.messages.asked.value(1).details.split(u'\n');
    QCOMPARE(leftOut.size(), 501);
    QCOMPARE(leftOut[500], QStringLiteral("... and 2 more."));
}

void ExchangeWindowTest::droppedFilesAreImportedOnlyWhenTheUserAgrees_data()
{
    QTest::addColumn<bool>("agrees");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void ExchangeWindowTest::droppedFilesAreImportedOnlyWhenTheUserAgrees()
{
    QFETCH(bool, agrees);
    RunningApp app;
    app.fakes.messages.setNextAnswer(agrees ? BoxAnswer::Yes : BoxAnswer::No);
    QVERIFY(app.dropFiles({writeCards(app, QStringLiteral("a.vcf"), kTwoCardsAndABrokenOne),
                           writeCards(app, QStringLiteral("b.csv"),
                                      "Name,Address,Contact,Email,Company,Photo\n"
                                      "Eve Oak,,3,,,\n"),
                           writeCards(app, QStringLiteral("c.tsv"), "Name\tContact\nTab Lee\t4\n"),
                           writeCards(app, QStringLiteral("e.tab"), "Name\tContact\nTab Oak\t5\n"),
                           writeCards(app, QStringLiteral("d.txt"), "not offered")}));
    app.settle();
    QCOMPARE(app.fakes.messages.asked.size(), agrees ? 2 : 1);
    QCOMPARE(app.fakes.messages.asked[0],
             (AskedBox{QStringLiteral("Import contacts from 4 file(s)?"),
                       app.fakes.messages.asked[0].title, BoxIcon::Question, BoxButtons::YesNo}));
    QCOMPARE(app.folder.stored().size(), agrees ? 5 : 0);
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), agrees ? 5 : 0);
}

// An import reloads the window, which would drop what a panel holds.
void ExchangeWindowTest::nothingIsImportedOverWhatTheUserTypes()
{
    RunningApp app;
    app.click("cmdReg");
    const QString cards = writeCards(app, QStringLiteral("a.vcf"), kTwoCardsAndABrokenOne);
    QVERIFY(!app.dropFiles({cards}));
    app.fakes.files.nextContactFiles = {{cards}};
    trigger(app, "importContactsAction");
    QCOMPARE(app.boxTexts(),
             QStringList{"Save or cancel the open panel first; an import reads the table again."});
    QCOMPARE(app.folder.stored().size(), 0);
    QVERIFY(app.find<QWidget>("picReg")->isVisible());
}

void ExchangeWindowTest::exportsAllOrTheSelectedContactByTheChosenName_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QByteArray>("expectedStart");
    QTest::addColumn<int>("cards");
    QTest::addColumn<bool>("photoThere");
    QTest::newRow("all as vCard") << "exportAllAction"
                                  << "all.vcf"
                                  << "contacts.vcf" << QByteArray("BEGIN:VCARD\r\nVERSION:4.0") << 2
                                  << true;
    QTest::newRow("all as CSV") << "exportAllAction"
                                << "all.CSV"
                                << "contacts.vcf"
                                << QByteArray(
                                       "\xEF\xBB\xBFName,Address,Contact,Email,Company,Photo")
                                << 0 << false;
    QTest::newRow("the selected one")
        << "exportSelectedAction"
        << "one.vcf"
        << "Bob Ek.vcf" << QByteArray("BEGIN:VCARD\r\nVERSION:4.0") << 1 << true;
    QTest::newRow("the selected one, its photo gone")
        << "exportSelectedAction"
        << "one.vcf"
        << "Bob Ek.vcf" << QByteArray("BEGIN:VCARD\r\nVERSION:4.0") << 1 << false;
}

void ExchangeWindowTest::exportsAllOrTheSelectedContactByTheChosenName()
{
    QFETCH(QString, action);
    QFETCH(QString, fileName);
    QFETCH(QString, suggested);
    QFETCH(QByteArray, expectedStart);
    QFETCH(int, cards);
    QFETCH(bool, photoThere);
    RunningApp app({contact(QStringLiteral("Ann Lee"), QStringLiteral("1")),
                    contact(QStringLiteral("Bob Ek"), QStringLiteral("2"), {}, {}, {},
                            QStringLiteral("bob.png"))});
    if (photoThere) {
        app.folder.writePicture(QStringLiteral("IMG/bob.png"));
    }
    app.find<QTableView>("DataGrid1")->selectRow(1);
    const QString path = QDir(app.folder.path()).filePath(fileName);
    app.fakes.files.nextSavePaths = {path};
    trigger(app, action.toLatin1().constData());
    QCOMPARE(app.fakes.files.suggestedNames, QStringList{suggested});
    // A card that had to go without its photo is named; CSV names photos only.
    const bool warned = cards > 0 && !photoThere;
    QCOMPARE(app.boxTexts(), warned ? QStringList{"The contacts were exported to " +
                                                  QDir::toNativeSeparators(path) +
                                                  ", but 1 photo(s) could not go with them."}
                                    : QStringList());
    if (warned) {
        QCOMPARE(app.fakes.messages.asked[0].details,
                 QStringLiteral("Bob Ek: bob.png (not in the photo folder)"));
    }
    const QByteArray written = readFile(path);
    QVERIFY2(written.startsWith(expectedStart), written.left(60).constData());
    QCOMPARE(written.count("BEGIN:VCARD"), cards);
    QCOMPARE(written.contains("FN:Ann Lee"), cards == 2);
    QCOMPARE(written.contains("\r\nPHOTO:data:image/png;base64,"), cards > 0 && photoThere);
    QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
             QFileDevice::Permissions());
}

void ExchangeWindowTest::refusesToExportAContactRemovedElsewhere_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("vCard") << "ann.vcf";
    QTest::newRow("CSV") << "ann.csv";
}

// Another program removed the selected contact after the window read the
// book: an empty file would pass for the export.
void ExchangeWindowTest::refusesToExportAContactRemovedElsewhere()
{
    QFETCH(QString, fileName);
    RunningApp app({contact(QStringLiteral("Ann Lee"), QStringLiteral("1")),
                    contact(QStringLiteral("Bob Ek"), QStringLiteral("2"))});
    QString reason;
    QVERIFY(Database::open(app.folder.databasePath(), databasePassword(), reason)
                ->execute("DELETE FROM tblYou WHERE NAME = 'Ann Lee'")
                .ok());
    const QString path = QDir(app.folder.path()).filePath(fileName);
    app.fakes.files.nextSavePaths = {path};
    trigger(app, "exportSelectedAction");
    QCOMPARE(app.boxTexts(),
             QStringList{"The contacts could not be exported to " + QDir::toNativeSeparators(path) +
                         ".\n\nThe contact is no longer in the database."});
    QVERIFY(!QFile::exists(path));
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 1);
    QCOMPARE(app.shownContact().name, QStringLiteral("Bob Ek"));
}

QTEST_MAIN(ExchangeWindowTest)
void ExchangeWindowTest::aNameWithoutSuffixTakesTheTypeChosen_data()
{
    QTest::addColumn<bool>("csvChosen");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("existing");
    QTest::addColumn<int>("answer"); // to the question whether to replace it
    QTest::addColumn<QString>("chosen");
    const int none = QMessageBox::NoButton;
    QTest::newRow("vCard, no suffix") << false << "friends" << QString() << none << "friends.vcf";
    QTest::newRow("CSV, no suffix") << true << "friends" << QString() << none << "friends.csv";
    QTest::newRow("CSV, a suffix typed")
        << true << "friends.vcf" << QString() << none << "friends.vcf";
    QTest::newRow("vCard, another suffix typed")
        << false << "friends.txt" << QString() << none << "friends.txt";
    QTest::newRow("CSV, no suffix, that file kept")
        << true << "friends"
        << "friends.csv" << int(QMessageBox::No) << QString();
    QTest::newRow("CSV, no suffix, that file replaced")
        << true << "friends"
        << "friends.csv" << int(QMessageBox::Yes) << "friends.csv";
}

// The real save dialog, driven as a user would: the type chosen in its list,
// then a name typed. The format follows the suffix of the name it gives, and
// a file of that name is never replaced unasked.
void ExchangeWindowTest::aNameWithoutSuffixTakesTheTypeChosen()
{
    QFETCH(bool, csvChosen);
    QFETCH(QString, typed);
    QFETCH(QString, existing);
    QFETCH(int, answer);
    QFETCH(QString, chosen);
    const QTemporaryDir folder;
    const auto backHome = qScopeGuard([home = QDir::currentPath()] { QDir::setCurrent(home); });
    QDir::setCurrent(folder.path()); // where the dialog starts
    if (!existing.isEmpty()) {
        writeFile(existing, "kept");
    }
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (csvChosen) {
            QTest::keyClick(dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")),
                            Qt::Key_Down);
        }
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QStringList asked;
    QTimer answering;
    connect(&answering, &QTimer::timeout, this, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked.append(box->text());
            box->button(answer == QMessageBox::NoButton ? QMessageBox::No
                                                        : QMessageBox::StandardButton(answer))
                ->click();
        }
    });
    answering.start(10);
    const QString path = productionServices().files->saveContactsFile(nullptr, "contacts.vcf");
    QCOMPARE(path.isEmpty() ? QString() : QFileInfo(path).fileName(), chosen);
    QCOMPARE(asked, answer == QMessageBox::NoButton
                        ? QStringList()
                        : QStringList{existing + " already exists.\nDo you want to replace it?"});
}

#include "tst_exchange_window.moc"
