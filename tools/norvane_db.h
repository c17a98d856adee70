#pragma once

#include "data/database.h"

#include <QStringList>
#include <memory>

namespace norvane::tool {

// Says why on standard error ("norvane-db: ..."); the exit status 1.
int fail(const QString& message);
// Opens the folder's book (asking for its passphrase where one is set),
// saying on standard error why it could not be opened; password is what
// opened it.
std::unique_ptr<Database> openBookOrSay(const QString& folder, QString& password);

// norvane-db account DIR [options]
int account(const QString& folder, const QStringList& options);
// norvane-db sync DIR
int sync(const QString& folder);

} // namespace norvane::tool
