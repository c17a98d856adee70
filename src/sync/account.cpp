#include "sync/account.h"

#include "data/contact_sql.h"
#include "data/database.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CardDavAccount", text);
}

constexpr const char* kSettingsTable =
    "CREATE TABLE IF NOT EXISTS tblSetting (KEY TEXT PRIMARY KEY, VALUE TEXT)";

QHash<QString, QString> settings(const CardDavAccount& account)
{
    return {{QStringLiteral("carddav.url"), account.url.toString()},
            {QStringLiteral("carddav.user"), account.user},
            {QStringLiteral("carddav.password_command"), account.passwordCommand},
            {QStringLiteral("carddav.allow_insecure"),
             account.allowInsecure ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("carddav.trusted_fingerprint"),
             QString::fromLatin1(account.trustedFingerprint)}};
}

// Makes the settings table if need be, and drops what the sync runs noted.
Status forgetSyncState(Database& db)
{
    Status status = db.execute(kSettingsTable);
    if (status.ok()) {
        status = db.execute("DELETE FROM tblSetting WHERE KEY = 'carddav.sync_token'");
    }
    return status.ok() ? db.execute("DROP TABLE IF EXISTS tblSync") : status;
}

// The password commands this user set, each for the one account it gives
// the password of. A book only names its command: a book made on another
// computer, or by another program, cannot have this computer run one.
QString trustedCommandsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/norvane/password-commands.ini");
}

QString trustKey(const CardDavAccount& account)
{
    const QByteArray what =
        (account.url.toString() + u'\n' + account.user + u'\n' + account.passwordCommand).toUtf8();
    return QStringLiteral("trusted/") +
           QString::fromLatin1(QCryptographicHash::hash(what, QCryptographicHash::Sha256).toHex());
}

Status trustPasswordCommand(const CardDavAccount& account)
{
    QSettings trusted(trustedCommandsFile(), QSettings::IniFormat);
    trusted.setValue(trustKey(account), account.passwordCommand);
    trusted.sync();
    return trusted.status() == QSettings::NoError
               ? Status::success()
               : Status::failure(tr("the password command could not be noted as yours in %1")
                                     .arg(trustedCommandsFile()));
}

// Writes the account's settings; what the last runs saw stays only when it
// is the same address book.
Status writeAccount(Database& db, const CardDavAccount& account)
{
    QString unread;
    const std::optional<CardDavAccount> before = loadAccount(db, unread);
    // What the last runs saw belongs to the address book they ran against:
    // against another one, it would read as cards removed there.
    const bool sameBook = before && isSameAddressBook(*before, account);
    Status status = sameBook ? db.execute(kSettingsTable) : forgetSyncState(db);
    QString reason;
    Statement put =
        db.prepare("INSERT OR REPLACE INTO tblSetting (KEY, VALUE) VALUES (?1, ?2)", reason);
    if (status.ok() && !put.isValid()) {
        status = Status::failure(reason);
    }
    const QHash<QString, QString> values = settings(account);
    for (auto it = values.cbegin(); status.ok() && it != values.cend(); ++it) {
        put.reset();
        put.bind(1, it.key());
        put.bind(2, it.value());
        status = runToEnd(db, put);
    }
    return status;
}

// How long a sync or an account change waits for another to end.
constexpr int kWaitForOtherMs = 60 * 1000;

} // namespace

bool isSameAddressBook(const CardDavAccount& one, const CardDavAccount& other)
{
    return one.url == other.url && one.user == other.user;
}

Status whileSyncStateIsOurs(Database& db, const std::function<Status()>& work)
{
    QLockFile lock(QFileInfo(db.filePath()).dir().filePath(QStringLiteral("norvane-sync.lock")));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(kWaitForOtherMs)) {
        const QString lockFile = QDir::toNativeSeparators(lock.fileName());
        return Status::failure(
            lock.error() == QLockFile::LockFailedError
                ? tr("a sync of this book is still running (it holds %1)").arg(lockFile)
                : tr("%1 cannot be made to keep two syncs of this book from running at the "
                     "same time")
                      .arg(lockFile));
    }
    return work();
}

bool isPasswordCommandTrusted(const CardDavAccount& account)
{
    const QSettings trusted(trustedCommandsFile(), QSettings::IniFormat);
    return trusted.value(trustKey(account)).toString() == account.passwordCommand;
}

Status saveAccount(Database& db, const CardDavAccount& account)
{
    if (!account.passwordCommand.isEmpty()) {
        if (Status noted = trustPasswordCommand(account); !noted.ok()) {
            return noted;
        }
    }
    return whileSyncStateIsOurs(
        db, [&] { return inTransaction(db, [&] { return writeAccount(db, account); }); });
}

std::optional<CardDavAccount> loadAccount(Database& db, QString& reason)
{
    if (!db.hasTable("tblSetting")) {
        return std::nullopt;
    }
    bool done = false;
    Statement rows =
        db.prepare("SELECT KEY, VALUE FROM tblSetting WHERE KEY LIKE 'carddav.%'", reason);
    QHash<QString, QString> values;
    while (rows.isValid() && rows.next(done)) {
        values.insert(rows.text(0), rows.text(1));
    }
    if (!done) {
        reason = db.lastError();
        return std::nullopt;
    }
    if (values.value(QStringLiteral("carddav.url")).isEmpty()) {
        return std::nullopt;
    }
    return CardDavAccount{QUrl(values.value(QStringLiteral("carddav.url"))),
                          values.value(QStringLiteral("carddav.user")),
                          values.value(QStringLiteral("carddav.password_command")),
                          values.value(QStringLiteral("carddav.allow_insecure")) == u"1",
                          values.value(QStringLiteral("carddav.trusted_fingerprint")).toLatin1()};
}

Status removeAccount(Database& db)
{
    return whileSyncStateIsOurs(db, [&] {
        return inTransaction(db, [&] {
            Status status = forgetSyncState(db);
            return status.ok() ? db.execute("DELETE FROM tblSetting WHERE KEY LIKE 'carddav.%'")
                               : status;
        });
    });
}

std::optional<QString> passwordFromCommand(const QString& command, QString& reason)
{
    const QStringList words = QProcess::splitCommand(command);
    if (words.isEmpty()) {
        reason = tr("the password command is empty");
        return std::nullopt;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(words.first(), words.mid(1));
    constexpr int kWaitMs = 60000;
    if (!process.waitForFinished(kWaitMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        reason = tr("the password command %1 failed").arg(words.first());
        return std::nullopt;
    }
    const QByteArray output = process.readAllStandardOutput();
    const qsizetype end = output.indexOf('\n');
    QString password = QString::fromUtf8(end < 0 ? output : output.left(end));
    if (password.endsWith(u'\r')) {
        password.chop(1);
    }
    return password;
}

} // namespace norvane
