// Registering a contact, with and without a photo.
#include "support/running_app.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

using namespace norvane;
using namespace norvane::testing;

namespace {

void type(const RunningApp& app, const char* field, const QString& text)
{
    QWidget* widget = app.find<QWidget>(field);
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->setText(text);
    } else {
        qobject_cast<QPlainTextEdit*>(widget)->setPlainText(text);
    }
}

void fillRegisterPanel(const RunningApp& app, const Contact& c)
{
    app.click("cmdReg");
    type(app, "regName", c.name);
    type(app, "regAddress", c.address);
    type(app, "regCon", c.contact);
    type(app, "regEmail", c.email);
    type(app, "regCom", c.company);
}

QByteArray bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Contact withoutId(Contact c)
{
    c.id = 0;
    return c;
}

} // namespace

class RegisterTest : public QObject
{
    Q_OBJECT

private slots:
    void opensAndCancelsThePanel();
    void registersAMinimalContact();
    void refusesAnEmptyNameOrNumber_data();
    void refusesAnEmptyNameOrNumber();
    void keepsDuplicateNames();
    void savesTheNumberWithoutBlankEdgeLines_data();
    void savesTheNumberWithoutBlankEdgeLines();
    void storesAwkwardTextExactly_data();
    void storesAwkwardTextExactly();
    void showsTheWholeTableAfterRegisteringDuringASearch();
    void copiesTheChosenPhoto();
    void keepsTheEarlierPhotoWhenTheDialogIsCancelled();
    void refusesAFileThatIsNotAPicture();
    void neverOverwritesADifferentPhoto();
    void reusesAnIdenticalPhoto();
    void stopsBeforeWritingWhenThePhotoCannotBeCopied();
    void removesTheCopiedPhotoWhenTheRecordIsRefused();
};

void RegisterTest::opensAndCancelsThePanel()
{
    RunningApp app({contact("Ann", "1")});
    QWidget* panel = app.find<QWidget>("picReg");
    QWidget* photoBox = app.find<QWidget>("regIMG");
    QVERIFY(!panel->isVisible());
    type(app, "regName", QStringLiteral("left over"));
    app.click("cmdReg");
    QVERIFY(panel->isVisible());
    QVERIFY(photoBox->isVisible());
    QVERIFY(app.find<QWidget>("AeroButton5")->isVisible());
    QCOMPARE(app.find<QLineEdit>("regName")->text(), QString());
    QVERIFY(app.find<QWidget>("regName")->hasFocus());
    QVERIFY(!app.find<QLabel>("regPic")->pixmap().isNull());
    // The photo box is drawn above the grid.
    auto* grid = app.find<QWidget>("DataGrid1");
    QVERIFY(app.window()->children().indexOf(photoBox) > app.window()->children().indexOf(grid));
    type(app, "regName", QStringLiteral("typed"));
    app.click("AeroButton2");
    QVERIFY(!panel->isVisible());
    QVERIFY(!photoBox->isVisible());
    QCOMPARE(app.find<QLineEdit>("regName")->text(), QStringLiteral("typed"));
}

void RegisterTest::registersAMinimalContact()
{
    RunningApp app({contact("Ann", "1")});
    fillRegisterPanel(app, contact("Bob", "555"));
    app.click("AeroButton1");
    app.settle();
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    const AskedBox saved = app.fakes.messages.asked.first();
    QCOMPARE(saved.text, QStringLiteral("Bob successfully Save in the database!"));
    QCOMPARE(saved.icon, BoxIcon::Information);
    QVERIFY(saved.title.startsWith(QLatin1String("9:05:03")));
    const QList<Contact> stored = app.folder.stored();
    QCOMPARE(stored.size(), 2);
    QCOMPARE(withoutId(stored[1]), contact("Bob", "555"));
    QVERIFY(QDir(app.folder.path() + "/IMG").isEmpty());
    // The reload shows the new contact, in browse mode.
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 2);
    QVERIFY(!app.find<QWidget>("picReg")->isVisible());
    QCOMPARE(app.fakes.tray.icons, 1);
}

void RegisterTest::refusesAnEmptyNameOrNumber_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::newRow("no name") << ""
                             << "555";
    QTest::newRow("no number") << "Bob"
                               << "";
    QTest::newRow("neither") << ""
                             << "";
    QTest::newRow("a number of blank lines") << "Bob"
                                             << "\n \n";
}

void RegisterTest::refusesAnEmptyNameOrNumber()
{
    QFETCH(QString, name);
    QFETCH(QString, number);
    RunningApp app;
    fillRegisterPanel(app, contact(name, number, "Crail"));
    app.fakes.files.nextPaths = {app.folder.writePicture("pics/p.png")};
    app.click("AeroButton5");
    QWidget* before = app.window();
    app.click("AeroButton1");
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    QCOMPARE(app.fakes.messages.asked[0].text,
             QStringLiteral("Please complete all the fields above."));
    QCOMPARE(app.fakes.messages.asked[0].icon, BoxIcon::Warning);
    QCOMPARE(app.window(), before);
    QVERIFY(app.find<QWidget>("picReg")->isVisible());
    QCOMPARE(app.find<QLineEdit>("regAddress")->text(), QStringLiteral("Crail"));
    QVERIFY(app.folder.stored().isEmpty());
    QVERIFY(QDir(app.folder.path() + "/IMG").isEmpty());
}

void RegisterTest::keepsDuplicateNames()
{
    RunningApp app({contact("Ann", "1")});
    fillRegisterPanel(app, contact("Ann", "2"));
    app.click("AeroButton1");
    QCOMPARE(app.folder.stored().size(), 2);
}

void RegisterTest::savesTheNumberWithoutBlankEdgeLines_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::newRow("Enter pressed after it") << "555\n"
                                            << "555";
    QTest::newRow("blank lines round two numbers") << "\n  \n555\n\n666\n \n"
                                                   << "555\n\n666";
    QTest::newRow("spaces kept within a line") << " 555 0199 "
                                               << " 555 0199 ";
}

// Enter pressed after the number starts a line in its field; a blank line at
// either end of the number holds nothing the user typed.
void RegisterTest::savesTheNumberWithoutBlankEdgeLines()
{
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    RunningApp app;
    fillRegisterPanel(app, contact("Bob", typed));
    app.click("AeroButton1");
    const QList<Contact> stored = app.folder.stored();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].contact, saved);
}

void RegisterTest::storesAwkwardTextExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("quotes") << "O'Brien \"Bud\"";
    QTest::newRow("wildcards") << "100% _a_ *";
    QTest::newRow("SQL") << "x'); DROP TABLE tblYou;--";
    QTest::newRow("non-Latin") << QString::fromUtf8(
        "\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0 \xE5\xBC\xA0");
    QTest::newRow("emoji") << QString::fromUtf8("Ann \xF0\x9F\x98\x80");
    QTest::newRow("leading space") << " Ann ";
}

void RegisterTest::storesAwkwardTextExactly()
{
    QFETCH(QString, text);
    RunningApp app;
    fillRegisterPanel(app, contact(text, "1", text, text, text));
    app.click("AeroButton1");
    const QList<Contact> stored = app.folder.stored();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(withoutId(stored[0]), contact(text, "1", text, text, text));
    QCOMPARE(app.fakes.messages.asked[0].text, text + " successfully Save in the database!");
}

void RegisterTest::showsTheWholeTableAfterRegisteringDuringASearch()
{
    RunningApp app({contact("Ann", "1"), contact("Bob", "2")});
    app.find<QLineEdit>("txtSearch")->setText(QStringLiteral("bo"));
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 1);
    fillRegisterPanel(app, contact("Cy", "3"));
    app.click("AeroButton1");
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 3);
    QCOMPARE(app.find<QLineEdit>("txtSearch")->text(), QString());
    QCOMPARE(app.shownContact().name, QStringLiteral("Cy")); // the contact just written
}

void RegisterTest::copiesTheChosenPhoto()
{
    RunningApp app;
    const QString picture =
        app.folder.writePicture(QString::fromUtf8("pics/caf\xC3\xA9 'Ann' photo.png"));
    app.fakes.files.nextPaths = {picture};
    fillRegisterPanel(app, contact("Ann", "1"));
    const QPixmap placeholder = app.find<QLabel>("regPic")->pixmap();
    app.click("AeroButton5");
    const QString name = QString::fromUtf8("caf\xC3\xA9 'Ann' photo.png");
    QCOMPARE(app.find<QLineEdit>("Text1")->text(), name);
    QVERIFY(app.find<QLabel>("regPic")->pixmap().toImage() != placeholder.toImage());
    app.click("AeroButton1");
    QCOMPARE(app.folder.stored().value(0).profile, name);
    QCOMPARE(bytes(app.folder.photoPath(name)), bytes(picture));
}

void RegisterTest::keepsTheEarlierPhotoWhenTheDialogIsCancelled()
{
    RunningApp app;
    const QString picture = app.folder.writePicture("pics/first.png");
    app.fakes.files.nextPaths = {picture, QString()};
    app.click("cmdReg");
    app.click("AeroButton5");
    app.click("AeroButton2");
    fillRegisterPanel(app, contact("Ann", "1"));
    app.click("AeroButton5"); // cancelled
    QCOMPARE(app.fakes.files.calls, 2);
    app.click("AeroButton1");
    QCOMPARE(app.folder.stored().value(0).profile, QStringLiteral("first.png"));
    QVERIFY(QFile::exists(app.folder.photoPath("first.png")));
}

void RegisterTest::refusesAFileThatIsNotAPicture()
{
    RunningApp app;
    const QString notes = app.folder.path() + "/notes.jpg";
    QFile file(notes);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is not a picture");
    file.close();
    app.fakes.files.nextPaths = {notes, app.folder.path() + "/missing.png"};
    fillRegisterPanel(app, contact("Ann", "1"));
    app.click("AeroButton5");
    app.click("AeroButton5");
    QCOMPARE(app.fakes.messages.asked.size(), 2);
    QCOMPARE(app.fakes.messages.asked[0].icon, BoxIcon::Warning);
    QVERIFY(app.fakes.messages.asked[0].text.contains("notes.jpg"));
    QCOMPARE(app.find<QLineEdit>("Text1")->text(), QString());
    app.click("AeroButton1");
    QCOMPARE(app.folder.stored().value(0).profile, QString());
    QVERIFY(QDir(app.folder.path() + "/IMG").isEmpty());
}

void RegisterTest::neverOverwritesADifferentPhoto()
{
    RunningApp app;
    const QString existing = app.folder.writePicture(app.folder.photoPath("face.png"), Qt::blue);
    const QByteArray before = bytes(existing);
    app.folder.writePicture(app.folder.photoPath("face (2).png"), Qt::green);
    app.fakes.files.nextPaths = {app.folder.writePicture("pics/face.png", Qt::red)};
    fillRegisterPanel(app, contact("Ann", "1"));
    app.click("AeroButton5");
    app.click("AeroButton1");
    QCOMPARE(bytes(existing), before);
    QCOMPARE(app.folder.stored().value(0).profile, QStringLiteral("face (3).png"));
    QCOMPARE(bytes(app.folder.photoPath("face (3).png")),
             bytes(app.folder.path() + "/pics/face.png"));
}

void RegisterTest::reusesAnIdenticalPhoto()
{
    RunningApp app;
    app.folder.writePicture(app.folder.photoPath("face.png"), Qt::red);
    app.fakes.files.nextPaths = {app.folder.writePicture("pics/face.png", Qt::red)};
    fillRegisterPanel(app, contact("Ann", "1"));
    app.click("AeroButton5");
    app.click("AeroButton1");
    QCOMPARE(app.folder.stored().value(0).profile, QStringLiteral("face.png"));
    QCOMPARE(QDir(app.folder.path() + "/IMG").entryList(QDir::Files).size(), 1);
}

void RegisterTest::stopsBeforeWritingWhenThePhotoCannotBeCopied()
{
    RunningApp app;
    QVERIFY(QDir(app.folder.path() + "/IMG").removeRecursively());
    app.fakes.files.nextPaths = {app.folder.writePicture("pics/face.png")};
    fillRegisterPanel(app, contact("Ann", "1"));
    app.click("AeroButton5");
    QWidget* before = app.window();
    app.click("AeroButton1");
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    QCOMPARE(app.fakes.messages.asked[0].icon, BoxIcon::Warning);
    QVERIFY(app.fakes.messages.asked[0].text.contains("IMG"));
    QVERIFY(app.folder.stored().isEmpty());
    QCOMPARE(app.window(), before);
    QCOMPARE(app.find<QLineEdit>("regName")->text(), QStringLiteral("Ann"));
}

void RegisterTest::removesTheCopiedPhotoWhenTheRecordIsRefused()
{
    RunningApp app;
    app.fakes.files.nextPaths = {app.folder.writePicture("pics/face.png")};
    fillRegisterPanel(app, contact("Ann", "1"));
    app.click("AeroButton5");
    const auto lock = app.folder.lockForWriting();
    app.click("AeroButton1");
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    QCOMPARE(app.fakes.messages.asked[0].icon, BoxIcon::Warning);
    QVERIFY(!app.boxTexts().join("").contains("successfully"));
    QVERIFY(!QFile::exists(app.folder.photoPath("face.png")));
    QVERIFY(app.find<QWidget>("picReg")->isVisible());
    QCOMPARE(app.find<QLineEdit>("regName")->text(), QStringLiteral("Ann"));
}

QTEST_MAIN(RegisterTest)
#include "tst_register.moc"
