#pragma once

#include "data/database.h"

#include <QMap>
#include <QStringList>
#include <memory>
#include <optional>

namespace norvane::tool {

// Says why on standard error ("norvane-db: ..."); the exit status 1.
int fail(const QString& message);
// Opens the folder's book (asking for its passphrase where one is set),
// saying on standard error why it could not be opened; password is what
// opened it.
std::unique_ptr<Database> openBookOrSay(const QString& folder, QString& password);

// The options given to a command: "--name VALUE", or "--name" alone for a
// switch.
struct CommandOptions
{
    QMap<QString, QString> values;
    QStringList switches;

    QString value(const char* name) const { return values.value(QLatin1String(name)); }
    bool has(const QString& name) const { return values.contains(name) || switches.contains(name); }
};

// Reads the words after a command's folder against the options it knows.
// An unknown option, one given twice, one without its value or a word that
// is no option is said on standard error, for the exit status 2: taken as
// it was, a mistyped option would be left out silently (an export in
// another format, or to standard output instead of a file).
std::optional<CommandOptions> readOptions(const char* command, const QStringList& words,
                                          const QStringList& withValue,
                                          const QStringList& switches);

// norvane-db account DIR [options]
int account(const QString& folder, const QStringList& words);
// norvane-db sync DIR
int sync(const QString& folder);

} // namespace norvane::tool
