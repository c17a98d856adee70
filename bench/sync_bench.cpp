// The sync half of norvane-bench: Norvane's CardDAV synchronisation against
// Radicale on 127.0.0.1, beside Debian's vdirsyncer syncing the same
// collection into a folder of .vcf files, in one run:
//  - the first pull of N server cards into an empty book (vdirsyncer: into
//    an empty folder);
//  - a sync with nothing to do;
//  - one change on each side (the server's by curl, as another client would);
//  - the first push of the N contacts into an empty collection.
// Norvane's time is a whole run in this process: opening the book, reading
// the account, the sync itself. vdirsyncer's is its command, start included.
#include "sync_bench.h"

#include "bench_book.h"
#include "contacts/contact_store.h"
#include "data/database.h"
#include "support/test_folder.h"
#include "sync/account.h"
#include "sync/card_sync.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace norvane {
namespace {

const QString kUser = QStringLiteral("ann");
const QString kPassword = QStringLiteral("pw");

QByteArray benchCard(int i, const QString& name)
{
    return QStringLiteral(
               "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-%1\r\nFN:%2\r\nN:%1;Person;;;\r\n"
               "TEL:0770 %3\r\nEMAIL:p%1@example.org\r\nEND:VCARD\r\n")
        .arg(i)
        .arg(name)
        .arg(i, 6, 10, QLatin1Char('0'))
        .toUtf8();
}

// Runs a command to its end, however long it takes (a first push of many
// cards runs for tens of minutes); whether it succeeded, with the end of
// what it said on standard error when not.
bool run(const QString& program, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess command;
    command.setStandardOutputFile(QProcess::nullDevice());
    command.start(program, arguments);
    command.write(input);
    command.closeWriteChannel();
    if (!command.waitForFinished(-1) || command.exitStatus() != QProcess::NormalExit ||
        command.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     command.readAllStandardError().right(2000).constData());
        return false;
    }
    return true;
}

double timedRun(const QString& program, const QStringList& arguments)
{
    QElapsedTimer timer;
    timer.start();
    return run(program, arguments) ? static_cast<double>(timer.nsecsElapsed()) / 1e6 : -1;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Radicale with the user ann and three address books: "pulled" filled with
// the cards, "pushed" and "vpushed" empty. The cards are written straight
// into its storage before it starts.
class Radicale
{
public:
    Radicale(const QString& root, int cards) : m_root(root), m_port(freePort())
    {
        const QString store = root + QStringLiteral("/data/collection-root/ann/");
        for (const char* book : {"pulled", "pushed", "vpushed"}) {
            QDir().mkpath(store + QLatin1String(book));
            testing::writeFile(store + QLatin1String(book) + QStringLiteral("/.Radicale.props"),
                               QByteArray(R"({"D:displayname": ")") + book +
                                   R"(", "tag": "VADDRESSBOOK"})");
        }
        for (int i = 1; i <= cards; ++i) {
            testing::writeFile(store + QStringLiteral("pulled/c%1.vcf").arg(i),
                               benchCard(i, QStringLiteral("Person %1").arg(i)));
        }
        testing::writeFile(root + QStringLiteral("/users"), (kUser + u':' + kPassword).toUtf8());
        testing::writeFile(
            root + QStringLiteral("/config"),
            QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n[auth]\ntype = htpasswd\n"
                           "htpasswd_filename = %2/users\nhtpasswd_encryption = "
                           "plain\n[storage]\nfilesystem_folder = %2/data\n"
                           "[rights]\ntype = owner_only\n")
                .arg(m_port)
                .arg(root)
                .toUtf8());
        m_process.setStandardOutputFile(root + QStringLiteral("/log"));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("radicale"),
                        {QStringLiteral("--config"), root + QStringLiteral("/config")});
    }
    ~Radicale()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    bool waitUntilListening()
    {
        for (int i = 0; i < 100; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(100)) {
                return true;
            }
            QThread::msleep(100);
        }
        std::fprintf(stderr, "Radicale did not start\n");
        return false;
    }

    QString collection(const char* book) const
    {
        return QStringLiteral("http://127.0.0.1:%1/ann/%2/").arg(m_port).arg(QLatin1String(book));
    }

    // A request as another client would send it, with curl.
    bool curl(const QStringList& arguments) const
    {
        return run(QStringLiteral("curl"),
                   QStringList{QStringLiteral("-sf"), QStringLiteral("-m"), QStringLiteral("900"),
                               QStringLiteral("-u"), kUser + u':' + kPassword} +
                       arguments);
    }

private:
    QString m_root;
    quint16 m_port;
    QProcess m_process;
};

// vdirsyncer syncing one collection with a folder of .vcf files.
class Vdirsyncer
{
public:
    explicit Vdirsyncer(const QString& root) : m_root(root) {}

    // Points it at the collection, from nothing known (as a first sync).
    bool pointAt(const QString& collection)
    {
        QDir(m_root + QStringLiteral("/status")).removeRecursively();
        QDir().mkpath(folder());
        testing::writeFile(config(),
                           QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n[pair book]\n"
                                          "a = \"server\"\nb = \"folder\"\ncollections = null\n"
                                          "conflict_resolution = \"a wins\"\n[storage server]\n"
                                          "type = \"carddav\"\nurl = \"%2\"\nusername = \"%3\"\n"
                                          "password = \"%4\"\n[storage folder]\ntype = "
                                          "\"filesystem\"\npath = \"%5/\"\nfileext = \".vcf\"\n")
                               .arg(m_root, collection, kUser, kPassword, folder())
                               .toUtf8());
        return run(QStringLiteral("vdirsyncer"),
                   {QStringLiteral("-c"), config(), QStringLiteral("discover")},
                   QByteArray("y\n").repeated(4));
    }

    double syncMs() const
    {
        return timedRun(QStringLiteral("vdirsyncer"),
                        {QStringLiteral("-c"), config(), QStringLiteral("sync")});
    }

    // Changes the FN of the one card that has it, as an edit in the folder would.
    bool rename(const QByteArray& from, const QByteArray& to) const
    {
        for (QDirIterator files(folder(), {QStringLiteral("*.vcf")}); files.hasNext();) {
            const QString path = files.next();
            QByteArray card = testing::readFile(path);
            for (const QByteArray end : {"\r\n", "\n"}) { // it writes LF line ends
                if (card.contains("\nFN:" + from + end)) {
                    testing::writeFile(path,
                                       card.replace("\nFN:" + from + end, "\nFN:" + to + end));
                    return true;
                }
            }
        }
        return false;
    }

private:
    QString config() const { return m_root + QStringLiteral("/vdirsyncer.conf"); }
    QString folder() const { return m_root + QStringLiteral("/cards"); }

    QString m_root;
};

// One sync run of the book, as norvane-db sync does it; -1 when it failed.
double norvaneSyncMs(const QString& folder, SyncReport& report)
{
    QElapsedTimer timer;
    timer.start();
    QString reason;
    const auto db = openBook(folder);
    const std::optional<CardDavAccount> account = db ? loadAccount(*db, reason) : std::nullopt;
    if (!account) {
        std::fprintf(stderr, "cannot read the book's account: %s\n", qPrintable(reason));
        return -1;
    }
    DavClient client(account->user, kPassword, DavSecurity{});
    report = SyncReport();
    const Status synced = synchronise(*db, client, *account, photoFolder(folder), report);
    if (!synced.ok() || !report.problems.isEmpty()) {
        std::fprintf(stderr, "the sync failed: %s %s\n", qPrintable(synced.reason()),
                     qPrintable(report.problems.join(QLatin1Char('\n'))));
        return -1;
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

bool execute(const QString& folder, const char* sql)
{
    const auto db = openBook(folder);
    return db && db->execute(sql).ok();
}

// The book's account; the benchmark hands the client the password itself.
bool setAccount(const QString& folder, const QString& collection)
{
    const auto db = openBook(folder);
    return db && saveAccount(*db, CardDavAccount{QUrl(collection), kUser, {}, false, {}}).ok();
}

int contactsIn(const QString& folder)
{
    QString reason;
    const auto db = openBook(folder);
    Statement count = db ? db->prepare("SELECT count(*) FROM tblYou", reason) : Statement();
    bool done = false;
    return count.isValid() && count.next(done) ? static_cast<int>(count.integer(0)) : -1;
}

// Norvane's run, then vdirsyncer's, and the row of their times; whether both
// succeeded. Both sync the same collection, Norvane first, so that each
// finds the changes of the step and nothing of the other's.
bool syncBoth(const char* operation, int size, const QString& folder, const Vdirsyncer& vdirsyncer,
              SyncReport& report)
{
    const double norvaneMs = norvaneSyncMs(folder, report);
    const double vdirsyncerMs = vdirsyncer.syncMs();
    std::printf("%-48s %9d %11.0f %10.0f %7.2f\n", operation, size, norvaneMs, vdirsyncerMs,
                vdirsyncerMs > 0 ? norvaneMs / vdirsyncerMs : 0.0);
    std::fflush(stdout);
    return norvaneMs >= 0 && vdirsyncerMs >= 0;
}

bool fails(const char* what)
{
    std::fprintf(stderr, "sync benchmark: %s\n", what);
    return false;
}

bool benchSync(int size)
{
    QTemporaryDir work;
    Radicale radicale(work.path() + QStringLiteral("/radicale"), size);
    // Radicale reads every card of a collection at its first request, which
    // takes minutes for a large one: done before anything is timed.
    if (!radicale.waitUntilListening() ||
        !radicale.curl({QStringLiteral("-X"), QStringLiteral("PROPFIND"), QStringLiteral("-H"),
                        QStringLiteral("Depth: 1"), radicale.collection("pulled")})) {
        return fails("Radicale does not answer");
    }
    const testing::TestFolder book;
    Vdirsyncer vdirsyncer(work.path());
    if (!setAccount(book.path(), radicale.collection("pulled")) ||
        !vdirsyncer.pointAt(radicale.collection("pulled"))) {
        return fails("cannot set up the two clients");
    }
    std::printf("%-48s %9s %11s %10s %7s\n", "operation", "N", "Norvane ms", "vdirsyncer", "ratio");
    SyncReport report;
    if (!syncBoth("first pull of the server's cards", size, book.path(), vdirsyncer, report) ||
        contactsIn(book.path()) != size) {
        return fails("the first pull did not bring every card");
    }
    if (!syncBoth("a sync with nothing to do", size, book.path(), vdirsyncer, report) ||
        report.pulledNew + report.pulledChanged + report.pushedNew + report.pushedChanged != 0) {
        return fails("a sync with nothing to do moved cards");
    }
    // One change on each side: a card on the server, a contact here and, for
    // vdirsyncer, another card in its folder.
    const bool changed =
        radicale.curl({QStringLiteral("-X"), QStringLiteral("PUT"), QStringLiteral("-H"),
                       QStringLiteral("Content-Type: text/vcard"), QStringLiteral("--data-binary"),
                       QString::fromUtf8(benchCard(1, QStringLiteral("Changed One"))),
                       radicale.collection("pulled") + QStringLiteral("c1.vcf")}) &&
        execute(book.path(),
                "UPDATE tblYou SET COMPANY = 'Changed Here' WHERE NAME = 'Person 2'") &&
        vdirsyncer.rename("Person 3", "Changed There");
    if (!changed || !syncBoth("one change on each side", size, book.path(), vdirsyncer, report) ||
        report.pulledChanged != 1 || report.pushedChanged != 1) {
        return fails("the change on each side was not synced");
    }
    // The first push: the same contacts into empty collections.
    if (!setAccount(book.path(), radicale.collection("pushed")) ||
        !vdirsyncer.pointAt(radicale.collection("vpushed"))) {
        return fails("cannot point the clients at the empty collections");
    }
    if (!syncBoth("first push of the book into an empty collection", size, book.path(), vdirsyncer,
                  report) ||
        report.pushedNew != size) {
        return fails("the first push did not send every contact");
    }
    return true;
}

} // namespace

int runSyncBench(int size)
{
    if (!benchSync(size)) {
        return 1;
    }
    std::printf("1 passed, 0 failed\n");
    return 0;
}

} // namespace norvane
