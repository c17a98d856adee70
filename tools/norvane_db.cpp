// norvane-db: creates and checks the contact database of an application
// folder, sets or removes a passphrase of the user's on it, backs it up, and
// imports and exports contacts as vCard and CSV.
#include "norvane_db.h"

#include "contacts/contact_store.h"
#include "data/connection_text.h"
#include "data/contact_sql.h"
#include "data/database.h"
#include "exchange/book_exchange.h"
#include "platform/secret_input.h"
#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace norvane;

namespace norvane::tool {

int fail(const QString& message)
{
    std::fprintf(stderr, "norvane-db: %s\n", qPrintable(message));
    return 1;
}

std::optional<CommandOptions> readOptions(const char* command, const QStringList& words,
                                          const QStringList& withValue, const QStringList& switches)
{
    const auto refuse = [command](const QString& problem) {
        std::fprintf(stderr, "norvane-db %s: %s; norvane-db --help lists the options\n", command,
                     qPrintable(problem));
        return std::nullopt;
    };
    CommandOptions options;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (options.has(word)) {
            return refuse(QStringLiteral("%1 is given twice").arg(word));
        }
        if (switches.contains(word)) {
            options.switches.append(word);
        } else if (!withValue.contains(word)) {
            return refuse(word.startsWith(QLatin1Char('-'))
                              ? QStringLiteral("unknown option %1").arg(word)
                              : QStringLiteral("\"%1\" is not an option").arg(word));
        } else if (i + 1 == words.size() || words[i + 1].isEmpty() ||
                   words[i + 1].startsWith(QLatin1String("--"))) {
            return refuse(QStringLiteral("%1 needs a value").arg(word));
        } else {
            options.values.insert(word, words[++i]);
        }
    }
    return options;
}

namespace {

// Opens the folder's book with the built-in key or, where a passphrase was
// set, the one the user gives; password is what opened it.
std::unique_ptr<Database> openBook(const QString& folder, QString& password, QString& reason)
{
    password = databasePassword();
    bool wrongKey = false;
    std::unique_ptr<Database> db =
        Database::open(databaseFile(folder), password, reason, &wrongKey);
    if (db || !wrongKey) {
        return db;
    }
    const std::optional<QString> typed = readSecretLine("Passphrase: ");
    if (!typed) {
        return nullptr;
    }
    password = *typed;
    return Database::open(databaseFile(folder), password, reason);
}

} // namespace

std::unique_ptr<Database> openBookOrSay(const QString& folder, QString& password)
{
    QString reason;
    std::unique_ptr<Database> db = openBook(folder, password, reason);
    if (!db) {
        fail(QStringLiteral("cannot open %1: %2").arg(databaseFile(folder), reason));
    }
    return db;
}

} // namespace norvane::tool

using namespace norvane::tool;

namespace {

const char* kUsage =
    "Usage:\n"
    "  norvane-db create DIR   make DIR/dbVesk.mdb (an empty, encrypted contact\n"
    "                          table) and the photo folder DIR/IMG/; an existing\n"
    "                          database is never touched\n"
    "  norvane-db check DIR    open DIR/dbVesk.mdb with the password, run an\n"
    "                          integrity check and print the number of contacts\n"
    "                          and whether Norvane changes the contact table\n"
    "  norvane-db index DIR    give a book made by an older Norvane the index\n"
    "                          that lets a removal find a photo's other users\n"
    "                          without reading every contact\n"
    "  norvane-db passphrase DIR [--remove]\n"
    "                          encrypt DIR/dbVesk.mdb under a passphrase of\n"
    "                          your own (asked twice), change it, or with\n"
    "                          --remove go back to the built-in key; the\n"
    "                          current passphrase is asked for when one is set;\n"
    "                          refused while Norvane runs on DIR\n"
    "  norvane-db backup DIR FILE\n"
    "                          write a consistent copy of DIR/dbVesk.mdb to FILE,\n"
    "                          under the same key, also while Norvane runs; an\n"
    "                          existing FILE is never replaced, and FILE is never\n"
    "                          the book's journal or in its photo folder\n"
    "  norvane-db import DIR FILE...\n"
    "                          import vCard (2.1, 3.0, 4.0) and CSV files, told\n"
    "                          apart by their content, in one transaction; prints\n"
    "                          \"imported N, updated M, skipped K\" and one line per\n"
    "                          refused card on standard error; exits 3 when a\n"
    "                          file was refused whole\n"
    "  norvane-db export DIR [--format vcard4|vcard3|csv] [--output FILE] [--force]\n"
    "                          write every contact to standard output, or whole to\n"
    "                          FILE (never replacing one without --force, and\n"
    "                          never the book or anything in its photo folder)\n"
    "  norvane-db account DIR [--url URL --user NAME [--password-command CMD]\n"
    "                          [--allow-insecure] [--trust-fingerprint SHA256] | --remove]\n"
    "                          find the CardDAV address book at URL (the collection,\n"
    "                          your principal or the server) and keep it as the\n"
    "                          book's account; the password is asked for, or is\n"
    "                          the first line CMD prints, and is never stored;\n"
    "                          without options, show the account; --remove\n"
    "                          forgets it (never a contact)\n"
    "  norvane-db sync DIR     bring the book and its CardDAV address book into\n"
    "                          step, both ways; prints what it pulled and pushed\n"
    "  norvane-db --help       show this text\n"
    "Passphrases are read from the terminal without echo, or one per line\n"
    "from standard input.\n";

int create(const QString& folder)
{
    const QString path = databaseFile(folder);
    if (QFileInfo::exists(path)) {
        return fail(QStringLiteral("%1 already exists; it was left untouched.").arg(path));
    }
    const QString photos = photoFolder(folder);
    // The photo folder, made here, is for its owner only, whatever the umask.
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    if (!QDir().mkpath(folder) ||
        (!QFileInfo(photos).isDir() && !QDir().mkdir(photos, ownerOnly))) {
        return fail(QStringLiteral("cannot make the folders in %1.").arg(folder));
    }
    if (Status made = createContactDatabase(path); !made.ok()) {
        return fail(QStringLiteral("cannot create %1: %2").arg(path, made.reason()));
    }
    std::printf("created %s\n", qPrintable(path));
    return 0;
}

int check(const QString& folder)
{
    QString password;
    const std::unique_ptr<Database> db = openBookOrSay(folder, password);
    if (!db) {
        return 1;
    }
    QString reason;
    Statement integrity = db->prepare("PRAGMA integrity_check", reason);
    bool done = false;
    if (!integrity.isValid() || !integrity.next(done)) {
        return fail(QStringLiteral("integrity check failed: %1").arg(db->lastError()));
    }
    const QString verdict = integrity.text(0);
    Statement count = db->prepare("SELECT count(*) FROM tblYou", reason);
    if (!count.isValid() || !count.next(done)) {
        return fail(QStringLiteral("cannot count the contacts: %1").arg(reason));
    }
    const Status writable = checkContactTableWritable(*db);
    std::printf("integrity: %s\ncontacts: %lld\nchanges: %s\n", qPrintable(verdict),
                static_cast<long long>(count.integer(0)),
                qPrintable(writable.ok() ? QStringLiteral("taken")
                                         : QStringLiteral("refused: ") + writable.reason()));
    return verdict == QLatin1String("ok") ? 0 : 1;
}

int addIndex(const QString& folder)
{
    QString password;
    const std::unique_ptr<Database> db = openBookOrSay(folder, password);
    if (!db) {
        return 1;
    }
    bool added = false;
    if (Status indexed = addProfileIndex(*db, added); !indexed.ok()) {
        return fail(QStringLiteral("cannot add the index: %1").arg(indexed.reason()));
    }
    std::puts(added ? "index on PROFILE added" : "index on PROFILE already there");
    return 0;
}

// Exit 0 when the import finished, 1 when the book could not be opened or
// written (then nothing was), 2 when a file cannot be read (nothing is
// imported), 3 when a file was refused whole as neither vCard nor a CSV
// Norvane knows (the other files' contacts are imported).
int importContacts(const QString& folder, const QStringList& files)
{
    for (const QString& file : files) {
        // A file is read more than once (its kind told first, then its
        // cards), which a pipe cannot give.
        const QFileInfo info(file);
        if (info.exists() && !info.isFile() && !info.isDir()) {
            fail(QStringLiteral("cannot read %1: it is a pipe or a device, which can be read "
                                "only once; save what it gives to a file and import that")
                     .arg(file));
            return 2;
        }
        QFile readable(file);
        if (!info.isFile() || !readable.open(QIODevice::ReadOnly)) {
            fail(QStringLiteral("cannot read %1").arg(file));
            return 2;
        }
    }
    QString password;
    const std::unique_ptr<Database> db = openBookOrSay(folder, password);
    if (!db) {
        return 1;
    }
    ImportReport report;
    const Status imported = importFiles(*db, photoFolder(folder), files, report);
    for (const QString& problem : report.problems) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    }
    if (!imported.ok()) {
        return fail(QStringLiteral("nothing was imported: %1").arg(imported.reason()));
    }
    std::printf("imported %d, updated %d, skipped %d\n", report.imported, report.updated,
                report.skipped);
    // A Norvane running on the folder shows the new contacts at once.
    if (report.imported + report.updated > 0) {
        SingleInstance(folder).askPrimaryToReload();
    }
    return report.refusedFiles > 0 ? 3 : 0;
}

// Hands what is still buffered for standard output to the system: a full
// disk shows only here, after every write was taken.
Status flushStandardOutput(QFile& out)
{
    if (out.flush() && std::fflush(stdout) == 0 && !std::ferror(stdout)) {
        return Status::success();
    }
    return Status::failure(QString::fromLocal8Bit(std::strerror(errno)));
}

int exportContacts(const QString& folder, const QStringList& words)
{
    const std::optional<CommandOptions> options =
        readOptions("export", words, {QStringLiteral("--format"), QStringLiteral("--output")},
                    {QStringLiteral("--force")});
    if (!options) {
        return 2;
    }
    const QString formatName =
        options->values.value(QStringLiteral("--format"), QStringLiteral("vcard4"));
    const QMap<QString, ExportFormat> formats = {{QStringLiteral("vcard4"), ExportFormat::VCard4},
                                                 {QStringLiteral("vcard3"), ExportFormat::VCard3},
                                                 {QStringLiteral("csv"), ExportFormat::Csv}};
    if (!formats.contains(formatName)) {
        std::fprintf(stderr,
                     "norvane-db export: there is no format %s; the formats are vcard4, vcard3 "
                     "and csv\n",
                     qPrintable(formatName));
        return 2;
    }
    const QString output = options->value("--output");
    if (!output.isEmpty() && QFileInfo::exists(output) &&
        !options->has(QStringLiteral("--force"))) {
        return fail(QStringLiteral("%1 exists; give --force to replace it.").arg(output));
    }
    QString password;
    const std::unique_ptr<Database> db = openBookOrSay(folder, password);
    if (!db) {
        return 1;
    }
    QStringList photosLeftOut;
    if (output.isEmpty()) {
        QFile out;
        out.open(stdout, QIODevice::WriteOnly);
        Status written = norvane::exportContacts(*db, photoFolder(folder), formats[formatName], out,
                                                 std::nullopt, &photosLeftOut);
        if (written.ok()) {
            written = flushStandardOutput(out);
        }
        if (!written.ok()) {
            return fail(QStringLiteral("export failed: %1").arg(written.reason()));
        }
    } else if (const Status written =
                   exportContactsToFile(*db, photoFolder(folder), formats[formatName], output,
                                        std::nullopt, &photosLeftOut);
               !written.ok()) {
        return fail(
            QStringLiteral("export failed, %1 not written: %2").arg(output, written.reason()));
    }
    for (const QString& photo : std::as_const(photosLeftOut)) {
        std::fprintf(stderr, "norvane-db: exported without its photo: %s\n", qPrintable(photo));
    }
    return 0;
}

int setPassphrase(const QString& folder, bool remove)
{
    const QString path = databaseFile(folder);
    // A Norvane running on the folder keeps reading with the old key and
    // could save nothing more; holding its lock also keeps one from starting
    // while the key changes. A folder without a book, or where the lock
    // cannot even be made, is left to the opening or the change of key to refuse.
    QFile lock(SingleInstance::lockFilePath(folder));
    if (QFileInfo::exists(path) &&
        lock.open(QIODevice::ReadWrite, QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
        !tryLockFile(lock)) {
        return fail(QStringLiteral("Norvane is running on %1; close it first. %2 was left as it "
                                   "was.")
                        .arg(folder, path));
    }
    QString current;
    const std::unique_ptr<Database> db = openBookOrSay(folder, current);
    if (!db) {
        return 1;
    }
    QString replacement = databasePassword();
    if (!remove) {
        const std::optional<QString> first = readSecretLine("New passphrase: ");
        const std::optional<QString> second = readSecretLine("Repeat the new passphrase: ");
        if (!first || first->isEmpty()) {
            return fail(QStringLiteral("no passphrase given; %1 was left as it was.").arg(path));
        }
        if (first != second) {
            return fail(
                QStringLiteral("the two passphrases differ; %1 was left as it was.").arg(path));
        }
        replacement = *first;
    }
    if (Status changed = db->rekey(replacement); !changed.ok()) {
        return fail(QStringLiteral("cannot change the key of %1: %2").arg(path, changed.reason()));
    }
    std::printf(remove ? "%s is now under the built-in key again\n"
                       : "%s is now under your passphrase\n",
                qPrintable(path));
    return 0;
}

int backup(const QString& folder, const QString& target)
{
    const QString path = databaseFile(folder);
    QString password;
    const std::unique_ptr<Database> db = openBookOrSay(folder, password);
    if (!db) {
        return 1;
    }
    if (Status beside = checkFileBesideBook(*db, photoFolder(folder), target); !beside.ok()) {
        return fail(QStringLiteral("cannot back up %1: %2").arg(path, beside.reason()));
    }
    if (Status copied = db->copyTo(target, password); !copied.ok()) {
        return fail(QStringLiteral("cannot back up %1: %2").arg(path, copied.reason()));
    }
    std::printf("backed up %s to %s\n", qPrintable(path), qPrintable(target));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1 &&
        (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const bool remove = args.size() == 3 && args[0] == QLatin1String("passphrase") &&
                        args[2] == QLatin1String("--remove");
    if (args.size() >= 3 && args[0] == QLatin1String("import")) {
        return importContacts(QDir::cleanPath(QDir(args[1]).absolutePath()), args.mid(2));
    }
    if (args.size() >= 2 && args[0] == QLatin1String("export")) {
        return exportContacts(QDir::cleanPath(QDir(args[1]).absolutePath()), args.mid(2));
    }
    if (args.size() >= 2 && args[0] == QLatin1String("account")) {
        return account(QDir::cleanPath(QDir(args[1]).absolutePath()), args.mid(2));
    }
    const bool isBackup = args.size() == 3 && args[0] == QLatin1String("backup");
    if (isBackup) {
        return backup(QDir::cleanPath(QDir(args[1]).absolutePath()), args[2]);
    }
    if (args.size() != 2 && !remove) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const QString folder = QDir::cleanPath(QDir(args[1]).absolutePath());
    if (args[0] == QLatin1String("create")) {
        return create(folder);
    }
    if (args[0] == QLatin1String("check")) {
        return check(folder);
    }
    if (args[0] == QLatin1String("sync")) {
        return sync(folder);
    }
    if (args[0] == QLatin1String("index")) {
        return addIndex(folder);
    }
    if (args[0] == QLatin1String("passphrase")) {
        return setPassphrase(folder, remove);
    }
    std::fputs(kUsage, stderr);
    return 2;
}
