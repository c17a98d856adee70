// The window keeps the book in step with a real CardDAV server (Radicale on
// 127.0.0.1) in the background: REFRESH brings the server's cards, a
// registered contact reaches the server, and a server that stopped gives
// one warning, the contacts untouched. A book that stops the sync before the
// server is asked says why.
#include "support/running_app.h"
#include "sync/account.h"
#include "sync/background_sync.h"
#include "sync/dav_client.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTcpServer>

using namespace norvane;
using namespace norvane::testing;

namespace {

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// Radicale with the user ann (password "pw") and an empty address book.
class Radicale
{
public:
    Radicale() : m_port(freePort())
    {
        const QString root = m_dir.path();
        writeFile(root + QStringLiteral("/users"), "ann:pw\n");
        writeFile(root + QStringLiteral("/config"),
                  QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n[auth]\ntype = htpasswd\n"
                                 "htpasswd_filename = %2/users\nhtpasswd_encryption = plain\n"
                                 "[storage]\nfilesystem_folder = %2/data\n")
                      .arg(m_port)
                      .arg(root)
                      .toUtf8());
        start();
        const QByteArray addressBook =
            "<?xml version=\"1.0\"?><d:mkcol xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:"
            "ns:carddav\"><d:set><d:prop><d:resourcetype><d:collection/><c:addressbook/>"
            "</d:resourcetype></d:prop></d:set></d:mkcol>";
        for (int tries = 0;
             tries < 100 && !client().send("MKCOL", bookUrl(), addressBook).succeeded(); ++tries) {
            QTest::qWait(100);
        }
    }
    ~Radicale() { stop(); }

    // Starts the server on its port and data, and waits until it answers.
    void start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("radicale"),
                        {QStringLiteral("--config"), m_dir.path() + QStringLiteral("/config")});
        for (int tries = 0; tries < 100 && !client().propfind(bookUrl(), 0, {}).answered();
             ++tries) {
            QTest::qWait(100);
        }
    }
    void stop()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    QUrl bookUrl() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/ann/book/").arg(m_port));
    }
    DavClient client() const { return DavClient(QStringLiteral("ann"), QStringLiteral("pw"), {}); }
    void put(const QString& name, const QByteArray& card) const
    {
        QVERIFY(
            client()
                .send("PUT", bookUrl().resolved(QUrl(name)), card, {{"Content-Type", "text/vcard"}})
                .succeeded());
    }
    // How many cards the address book holds.
    int cards() const
    {
        const DavReply listing = client().propfind(bookUrl(), 1, "<d:getetag/>");
        return static_cast<int>(listing.body.count(".vcf</"));
    }

private:
    QTemporaryDir m_dir;
    int m_port;
    QProcess m_process;
};

// Gives the folder's book the address book as its account.
void setAccount(const TestFolder& folder, const QUrl& book)
{
    QString reason;
    const auto db = Database::open(folder.databasePath(), databasePassword(), reason);
    QVERIFY2(db, qPrintable(reason));
    QVERIFY(
        saveAccount(*db, {book, QStringLiteral("ann"), QStringLiteral("echo pw"), false, {}}).ok());
}

// Gives the app's book the server as its account.
void setAccount(const RunningApp& app, const Radicale& server)
{
    setAccount(app.folder, server.bookUrl());
}

// One run of what the window runs in the background, on the folder's book.
SyncOutcome syncOnce(const TestFolder& folder)
{
    bool lastingPasswordProblem = false;
    return synchroniseFolder(folder.path(), databasePassword(), lastingPasswordProblem);
}

// Waits for the background runs to end and the window they brought to settle.
void waitForSync(const RunningApp& app)
{
    QTRY_VERIFY_WITH_TIMEOUT(!app.registry->backgroundSync().isRunning(), 20000);
    app.settle();
}

int rows(const RunningApp& app)
{
    return app.find<QTableView>("DataGrid1")->model()->rowCount();
}

} // namespace

class WindowSyncTest : public QObject
{
    Q_OBJECT

private slots:
    // The password command the test sets is noted in Qt's test folders.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void keepsTheBookInStepWithTheServer();
    void neverRunsAPasswordCommandOnlyTheBookNames();
    void saysWhyABookWasNotSynced_data();
    void saysWhyABookWasNotSynced();
    void namesTenCardsAndCountsTheRest();
};

void WindowSyncTest::keepsTheBookInStepWithTheServer()
{
    Radicale server;
    server.put(QStringLiteral("ann.vcf"),
               "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a1\r\nFN:Ann Server\r\nTEL:111\r\nEND:VCARD\r\n");
    RunningApp app;
    waitForSync(app);
    QCOMPARE(rows(app), 0); // no account yet: nothing happens
    setAccount(app, server);
    app.click("cmdRefresh");
    waitForSync(app);
    QCOMPARE(rows(app), 1);
    QCOMPARE(app.shownContact().name, QStringLiteral("Ann Server"));

    // What a sync brings while the user edits waits for the edit to end, and
    // shows when it ends without saving, in update mode as in registering.
    for (const char* panel : {"cmdUpdate", "cmdReg"}) {
        const QString name = QStringLiteral("Ann %1").arg(QLatin1String(panel));
        server.put(QStringLiteral("ann.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a1\r\nFN:" +
                                                  name.toUtf8() + "\r\nTEL:111\r\nEND:VCARD\r\n");
        app.click(panel);
        app.registry->requestSync();
        waitForSync(app);
        QVERIFY(app.window()->isEditing());
        app.click(QByteArray(panel) == "cmdUpdate" ? "AeroButton4" : "AeroButton2");
        app.settle();
        QCOMPARE(app.shownContact().name, name);
    }

    app.click("cmdReg");
    app.find<QLineEdit>("regName")->setText(QStringLiteral("Bo Local"));
    app.find<QPlainTextEdit>("regCon")->setPlainText(QStringLiteral("222"));
    app.click("AeroButton1");
    waitForSync(app);
    QCOMPARE(server.cards(), 2);
    const auto syncWarnings = [&] {
        QStringList found;
        for (const AskedBox& box : app.fakes.messages.asked) {
            if (box.text.contains(QStringLiteral("sync"))) {
                found.append(box.text);
            }
        }
        return found;
    };
    QCOMPARE(syncWarnings(), QStringList());

    // A server down is said once while it lasts, not after every save.
    server.stop();
    for (int refresh = 0; refresh < 2; ++refresh) {
        app.click("cmdRefresh");
        waitForSync(app);
    }
    QCOMPARE(syncWarnings().size(), 1);
    QVERIFY2(syncWarnings()[0].contains(QStringLiteral("no answer")),
             qPrintable(syncWarnings()[0]));
    // Down again once a run went through, it is said again.
    for (const bool up : {true, false}) {
        up ? server.start() : server.stop();
        app.click("cmdRefresh");
        waitForSync(app);
    }
    QCOMPARE(syncWarnings().size(), 2);
    QCOMPARE(rows(app), 2);
}

// A book whose account another program wrote, naming a command: the window
// runs no command, says why once, and not again at every reload.
void WindowSyncTest::neverRunsAPasswordCommandOnlyTheBookNames()
{
    RunningApp app;
    const QString ran = QDir(app.folder.path()).filePath(QStringLiteral("ran"));
    QString reason;
    {
        const auto db = Database::open(app.folder.databasePath(), databasePassword(), reason);
        QVERIFY2(db, qPrintable(reason));
        const QByteArray planted =
            "CREATE TABLE tblSetting (KEY TEXT PRIMARY KEY, VALUE TEXT);"
            "INSERT INTO tblSetting VALUES ('carddav.url', 'http://127.0.0.1:9/ann/'),"
            "('carddav.user', 'ann'), ('carddav.password_command', 'touch " +
            QFile::encodeName(ran) + "');";
        QVERIFY(db->execute(planted.constData()).ok());
    }
    for (int reload = 0; reload < 3; ++reload) {
        app.click("cmdRefresh");
        waitForSync(app);
    }
    QVERIFY(!QFile::exists(ran));
    const QStringList told = app.boxTexts();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(QStringLiteral("not set for this account on this computer")),
             qPrintable(told[0]));
}

void WindowSyncTest::saysWhyABookWasNotSynced_data()
{
    QTest::addColumn<bool>("lockedByAnotherProgram");
    QTest::addColumn<QString>("why");
    QTest::newRow("a table Norvane does not change")
        << false << QStringLiteral("The contact table was made by another program");
    QTest::newRow("a book another program holds")
        << true << QStringLiteral("The address book is locked");
}

// Stopped by the book before it reached the server: the warning says why,
// in one sentence, never as "..".
void WindowSyncTest::saysWhyABookWasNotSynced()
{
    QFETCH(bool, lockedByAnotherProgram);
    QFETCH(QString, why);
    TestFolder folder;
    setAccount(folder, QUrl(QStringLiteral("http://127.0.0.1:9/book/")));
    if (!lockedByAnotherProgram) {
        folder.replaceContactTable(kColumnsWithoutIdKey);
    }
    const auto lock = lockedByAnotherProgram ? folder.lockForWriting() : nullptr;
    const SyncOutcome outcome = syncOnce(folder);
    QVERIFY2(
        outcome.warning.startsWith(QStringLiteral("Norvane could not sync with 127.0.0.1: ") + why),
        qPrintable(outcome.warning));
    QVERIFY2(!outcome.warning.contains(QLatin1String("..")), qPrintable(outcome.warning));
}

// A warning that names a line for each card would grow taller than the
// screen for a book of many.
void WindowSyncTest::namesTenCardsAndCountsTheRest()
{
    Radicale server;
    TestFolder folder;
    QList<Contact> withoutTheirPhotos;
    for (int i = 0; i < 12; ++i) {
        withoutTheirPhotos.append(contact(QStringLiteral("Ann %1").arg(i), QStringLiteral("1"), {},
                                          {}, {}, QStringLiteral("gone%1.png").arg(i)));
    }
    folder.add(withoutTheirPhotos);
    setAccount(folder, server.bookUrl());
    const SyncOutcome outcome = syncOnce(folder);
    QCOMPARE(server.cards(), 12);
    const QStringList lines = outcome.warning.split(u'\n');
    QCOMPARE(lines.size(), 13); // the sentence, a blank line, ten cards and the rest
    QVERIFY2(lines[2].startsWith(QLatin1String("sent without its photo: ")), qPrintable(lines[2]));
    QCOMPARE(lines[12], QStringLiteral("... and 2 more."));
}

QTEST_MAIN(WindowSyncTest)
#include "tst_window_sync.moc"
