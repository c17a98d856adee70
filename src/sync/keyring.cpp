#include "sync/keyring.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace norvane {

namespace {

const QString kService = QStringLiteral("Norvane");

// One keyring entry per account: its user at its address book.
QString entryOf(const CardDavAccount& account)
{
    return QStringLiteral("CardDAV %1 at %2").arg(account.user, account.url.toString());
}

// Runs a keyring job to its end; false with the keyring's reason on failure.
bool run(QKeychain::Job& job, QString& reason)
{
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    if (job.error() != QKeychain::NoError) {
        reason = job.errorString();
        return false;
    }
    return true;
}

} // namespace

bool keepPasswordInKeyring(const CardDavAccount& account, const QString& password, QString& reason)
{
    QKeychain::WritePasswordJob job(kService);
    job.setInsecureFallback(false);
    job.setKey(entryOf(account));
    job.setTextData(password);
    return run(job, reason);
}

std::optional<QString> passwordFromKeyring(const CardDavAccount& account, QString& reason)
{
    QKeychain::ReadPasswordJob job(kService);
    job.setInsecureFallback(false);
    job.setKey(entryOf(account));
    if (!run(job, reason)) {
        return std::nullopt;
    }
    return job.textData();
}

void forgetPasswordInKeyring(const CardDavAccount& account)
{
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(entryOf(account));
    QString ignored;
    run(job, ignored);
}

std::optional<QString> accountPassword(const CardDavAccount& account, QString& reason)
{
    if (account.passwordCommand.isEmpty()) {
        return passwordFromKeyring(account, reason);
    }
    if (!isPasswordCommandTrusted(account)) {
        reason = QCoreApplication::translate(
                     "Keyring", "the book names a password command that was not set for this "
                                "account on this computer (%1); it was not run. Set the account "
                                "with norvane-db account to use it")
                     .arg(account.passwordCommand);
        return std::nullopt;
    }
    return passwordFromCommand(account.passwordCommand, reason);
}

} // namespace norvane
