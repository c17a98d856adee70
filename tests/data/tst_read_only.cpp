// A database file the user may read but not write: browsing works, every
// change is refused with a warning, never reported as saved, and a backup
// can be taken.
//
// The folder is prepared by a user who may write it, then the test runs as
// one who may not (see read_only_database.sh): an administrator's account
// writes any file whatever its permissions say.
#include "contacts/contact_store.h"
#include "data/connection_text.h"
#include "data/data_control.h"
#include "data/database.h"
#include "platform/single_instance.h"
#include "support/running_app.h"

#include <QCryptographicHash>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

using namespace norvane;
using namespace norvane::testing;

namespace {

QString preparedFolder()
{
    return qEnvironmentVariable("NORVANE_READ_ONLY_DIR");
}

QByteArray sha(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Runs Norvane with the test doubles on the prepared folder.
struct ReadOnlyApp
{
    ReadOnlyApp()
    {
        fakes.folder.folder = preparedFolder();
        registry.start();
        for (QTimer* timer : registry.mainWindow()->findChildren<QTimer*>()) {
            timer->stop();
        }
        registry.closeTermsWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    template <class T> T* find(const char* name)
    {
        return registry.mainWindow()->findChild<T*>(QLatin1String(name));
    }
    void click(const char* name) { QTest::mouseClick(find<QWidget>(name), Qt::LeftButton); }
    bool anySuccess() const
    {
        for (const AskedBox& box : fakes.messages.asked) {
            if (box.icon == BoxIcon::Information) {
                return true;
            }
        }
        return false;
    }

    FakeServices fakes;
    Registry registry{fakes.services()};
};

} // namespace

class ReadOnlyTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void takesTheLockAnEarlierRunLeft();
    void browsesButRefusesEveryChange();
    void backsUpTheBook();
};

void ReadOnlyTest::init()
{
    if (preparedFolder().isEmpty()) {
        QSKIP("runs through read_only_database.sh, as a user who cannot write the file");
    }
    QFile probe(databaseFile(preparedFolder()));
    if (probe.open(QIODevice::ReadWrite)) {
        QSKIP("this account can write the database file");
    }
}

// On a disk that has become read-only, the lock file an earlier run left
// cannot be opened for writing; it still keeps a second window away.
void ReadOnlyTest::takesTheLockAnEarlierRunLeft()
{
    SingleInstance first(preparedFolder());
    QVERIFY2(first.becomePrimary(), qPrintable(first.lockProblem()));
    SingleInstance second(preparedFolder());
    QVERIFY(!second.becomePrimary());
    QCOMPARE(second.lockProblem(), QString());
}

void ReadOnlyTest::browsesButRefusesEveryChange()
{
    const QByteArray before = sha(databaseFile(preparedFolder()));
    ReadOnlyApp app;
    QVERIFY2(app.fakes.messages.asked.isEmpty(), "the read-only database did not open");
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 2);
    QCOMPARE(app.find<QLineEdit>("txtName")->text(), QStringLiteral("Ann"));

    // Each change is refused as it is asked for, before anything is typed.
    const QList<QPair<const char*, const char*>> changes = {
        {"cmdReg", "picReg"}, {"cmdUpdate", "picUPD"}, {"cmdRemove", nullptr}};
    for (const auto& [command, panel] : changes) {
        const qsizetype asked = app.fakes.messages.asked.size();
        app.click(command);
        QCOMPARE(app.fakes.messages.asked.size(), asked + 1);
        QCOMPARE(app.fakes.messages.asked.last().icon, BoxIcon::Warning);
        QVERIFY2(app.fakes.messages.asked.last().text.contains(QLatin1String("read-only")),
                 command);
        QVERIFY(!panel || !app.find<QWidget>(panel)->isVisible());
    }
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 2);

    QVERIFY(!app.anySuccess());
    QCOMPARE(sha(databaseFile(preparedFolder())), before);
}

// The copy is written, though the book it is read from may not be.
void ReadOnlyTest::backsUpTheBook()
{
    const QByteArray before = sha(databaseFile(preparedFolder()));
    QTemporaryDir target;
    const QString copy = target.filePath(QStringLiteral("copy.mdb"));
    QString reason;
    const auto book = Database::open(databaseFile(preparedFolder()), databasePassword(), reason);
    QVERIFY2(book, qPrintable(reason));
    const Status copied = book->copyTo(copy, databasePassword());
    QVERIFY2(copied.ok(), qPrintable(copied.reason()));
    const auto restored = Database::open(copy, databasePassword(), reason);
    QVERIFY2(restored, qPrintable(reason));
    Statement names = restored->prepare("SELECT NAME FROM tblYou ORDER BY NAME", reason);
    QStringList read;
    bool done = false;
    while (names.next(done) && !done) {
        read << names.text(0);
    }
    QCOMPARE(read, QStringList({QStringLiteral("Ann"), QStringLiteral("Bob")}));
    QCOMPARE(sha(databaseFile(preparedFolder())), before);
}

int main(int argc, char** argv)
{
    // "--prepare DIR": make the database the test will find read-only.
    if (argc == 3 && QByteArray(argv[1]) == "--prepare") {
        QCoreApplication app(argc, argv);
        const QString folder = QString::fromLocal8Bit(argv[2]);
        QDir().mkpath(folder + QStringLiteral("/IMG"));
        DataControl control;
        const bool made = createContactDatabase(databaseFile(folder)).ok() &&
                          registerContact(control, folder, contact("Ann", "1")).ok() &&
                          registerContact(control, folder, contact("Bob", "2")).ok();
        return made ? 0 : 1;
    }
    QApplication app(argc, argv);
    ReadOnlyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_read_only.moc"
