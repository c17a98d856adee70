// norvane-db account: finds a CardDAV address book and keeps it as the
// book's account, shows it, or forgets it.
#include "contacts/contact_store.h"
#include "norvane_db.h"
#include "platform/secret_input.h"
#include "platform/single_instance.h"
#include "sync/account.h"
#include "sync/card_sync.h"
#include "sync/discovery.h"
#include "sync/keyring.h"

#include <cstdio>

namespace norvane::tool {

namespace {

int show(Database& db)
{
    QString reason;
    const std::optional<CardDavAccount> stored = loadAccount(db, reason);
    if (!stored) {
        if (!reason.isEmpty()) {
            return fail(QStringLiteral("cannot read the account: %1").arg(reason));
        }
        std::printf("no account\n");
        return 0;
    }
    std::printf("%s as %s\n", qPrintable(stored->url.toDisplayString()), qPrintable(stored->user));
    return 0;
}

int forget(Database& db)
{
    QString reason;
    const std::optional<CardDavAccount> stored = loadAccount(db, reason);
    if (Status removed = removeAccount(db); !removed.ok()) {
        return fail(QStringLiteral("cannot forget the account: %1").arg(removed.reason()));
    }
    if (stored) {
        forgetPasswordInKeyring(*stored);
    }
    std::printf("the account is forgotten; every contact stays\n");
    return 0;
}

// The address as typed, read strictly: a typing slip is refused as typed
// rather than guessed into another address. One without a scheme is taken
// for https, the only one a password goes over without --allow-insecure.
std::optional<QUrl> addressOf(const QString& typed)
{
    const QString text = typed.trimmed();
    const QUrl url(text.contains(QLatin1String("://")) ? text : QStringLiteral("https://") + text,
                   QUrl::StrictMode);
    return isHttpAddress(url) ? std::optional(url) : std::nullopt;
}

// The password of a new account: its command's output, or asked for.
std::optional<QString> newPassword(const CardDavAccount& account, QString& reason)
{
    if (account.passwordCommand.isEmpty()) {
        reason = QStringLiteral("no password given");
        return readSecretLine("Password: ");
    }
    return passwordFromCommand(account.passwordCommand, reason);
}

// The password of the stored account: its command's or the keyring's, else
// asked for.
std::optional<QString> storedPassword(const CardDavAccount& account, QString& reason)
{
    if (std::optional<QString> known = accountPassword(account, reason)) {
        return known;
    }
    if (!account.passwordCommand.isEmpty()) {
        return std::nullopt;
    }
    reason = QStringLiteral("no password given");
    return readSecretLine("Password: ");
}

int findAndKeep(Database& db, const CommandOptions& options)
{
    const QString typed = options.value("--url");
    const std::optional<QUrl> address = addressOf(typed);
    if (!address) {
        return fail(QStringLiteral("\"%1\" is not an http or https address; no account was stored.")
                        .arg(typed));
    }
    CardDavAccount account;
    account.url = *address;
    account.user = options.value("--user");
    account.passwordCommand = options.value("--password-command");
    account.allowInsecure = options.has(QStringLiteral("--allow-insecure"));
    account.trustedFingerprint = options.value("--trust-fingerprint").toLatin1();
    QString reason;
    const std::optional<QString> password = newPassword(account, reason);
    if (!password) {
        return fail(QStringLiteral("%1; no account was stored.").arg(reason));
    }
    DavClient client(account.user, *password,
                     DavSecurity{account.allowInsecure, account.trustedFingerprint});
    const std::optional<FoundAddressBook> found = findAddressBook(client, account.url, reason);
    if (!found) {
        return fail(QStringLiteral("%1; no account was stored.").arg(reason));
    }
    account.url = found->url;
    if (Status saved = saveAccount(db, account); !saved.ok()) {
        return fail(QStringLiteral("cannot store the account: %1").arg(saved.reason()));
    }
    if (account.passwordCommand.isEmpty() && !keepPasswordInKeyring(account, *password, reason)) {
        std::fprintf(stderr,
                     "norvane-db: the password could not be kept in the desktop's keyring (%s); "
                     "a sync asks for it, or give --password-command\n",
                     qPrintable(reason));
    }
    std::printf("found the address book \"%s\" at %s with %d %s; it is the book's account\n",
                qPrintable(found->name), qPrintable(found->url.toDisplayString()), found->cards,
                found->cards == 1 ? "card" : "cards");
    return 0;
}

} // namespace

int sync(const QString& folder)
{
    QString password;
    const std::unique_ptr<Database> db = openBookOrSay(folder, password);
    if (!db) {
        return 1;
    }
    QString reason;
    const std::optional<CardDavAccount> stored = loadAccount(*db, reason);
    if (!stored) {
        return fail(reason.isEmpty()
                        ? QStringLiteral("the book has no account; set one with norvane-db account")
                        : reason);
    }
    const std::optional<QString> secret = storedPassword(*stored, reason);
    if (!secret) {
        return fail(reason);
    }
    DavClient client(stored->user, *secret,
                     DavSecurity{stored->allowInsecure, stored->trustedFingerprint});
    SyncReport report;
    const Status synced = synchronise(*db, client, *stored, photoFolder(folder), report);
    for (const QString& problem : std::as_const(report.problems)) {
        std::fprintf(stderr, "norvane-db: %s\n", qPrintable(problem));
    }
    for (const QString& line : photoLines(report)) {
        std::fprintf(stderr, "norvane-db: %s\n", qPrintable(line));
    }
    std::printf("pulled %d new, %d changed, %d removed; pushed %d new, %d changed, %d removed; "
                "%d conflicts\n",
                report.pulledNew, report.pulledChanged, report.pulledRemoved, report.pushedNew,
                report.pushedChanged, report.pushedRemoved, report.conflicts);
    if (report.pulledNew + report.pulledChanged + report.pulledRemoved + report.conflicts > 0) {
        SingleInstance(folder).askPrimaryToReload();
    }
    if (!synced.ok()) {
        return fail(QStringLiteral("the sync stopped: %1; the next run goes on from here")
                        .arg(synced.reason()));
    }
    return report.problems.isEmpty() ? 0 : 1;
}

int account(const QString& folder, const QStringList& words)
{
    const std::optional<CommandOptions> options =
        readOptions("account", words,
                    {QStringLiteral("--url"), QStringLiteral("--user"),
                     QStringLiteral("--password-command"), QStringLiteral("--trust-fingerprint")},
                    {QStringLiteral("--allow-insecure"), QStringLiteral("--remove")});
    if (!options) {
        return 2;
    }
    const bool remove = words == QStringList{QStringLiteral("--remove")};
    const bool find = options->values.contains(QStringLiteral("--url")) &&
                      options->values.contains(QStringLiteral("--user"));
    if (!words.isEmpty() && !remove && !find) {
        std::fprintf(stderr, "norvane-db account DIR [--url URL --user NAME "
                             "[--password-command CMD] [--allow-insecure] "
                             "[--trust-fingerprint SHA256] | --remove]\n");
        return 2;
    }
    QString password;
    const std::unique_ptr<Database> db = openBookOrSay(folder, password);
    if (!db) {
        return 1;
    }
    if (remove) {
        return forget(*db);
    }
    return find ? findAndKeep(*db, *options) : show(*db);
}

} // namespace norvane::tool
