#pragma once

#include "data/status.h"

#include <QString>

namespace norvane {

// The parts of a connection text: which engine, which file, which password.
struct ConnectionParts
{
    QString provider;
    QString dataSource;
    QString password;
};

inline const QString kDatabaseFileName = QStringLiteral("dbVesk.mdb");
inline const QString kProvider = QStringLiteral("Microsoft.Jet.OLEDB.4.0");

// The fixed database password.
QString databasePassword();

// "Provider=...;Data Source="<folder>\dbVesk.mdb";Jet OLEDB:database password=<password>"
// The data source is quoted as connection texts quote values ("" for a quote
// inside), so a folder name can never add or change a setting.
// A password other than the built-in one (a passphrase of the user's) is
// quoted the same way where it holds a ';' or starts with a quote.
QString buildConnectionText(const QString& applicationFolder,
                            const QString& password = databasePassword());

// Splits a connection text into its parts. A value in double quotes is read
// to its closing quote. An unquoted value may itself hold ';' (a password
// can), so a segment that starts no known key belongs to the value before it.
// Fails on an empty text, an unknown key, an unclosed quote or a missing part.
Status parseConnectionText(const QString& text, ConnectionParts& parts);

// The file a data source names. The data source separates the file from its
// folder with a backslash whatever the platform; only that last one is a separator.
QString dataSourcePath(const QString& dataSource);

} // namespace norvane
