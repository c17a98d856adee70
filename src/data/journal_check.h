#pragma once

#include "data/status.h"

#include <QByteArray>
#include <QString>

namespace norvane {

// Checks the journal files that may lie beside a database before the engine
// opens it. The engine trusts them quietly: it takes a write-ahead log frame
// that fails its checksum for the end of the log, and it stops a rollback at
// the first record that fails its checksum, so one damaged byte would drop
// committed contacts or leave a transaction half undone. A journal that the
// engine would replay whole passes; anything else is refused with a reason,
// before a byte of the database is written.

// A write-ahead log (dbVesk.mdb-wal): refused when a committed transaction
// stands after a frame the engine would stop at. A torn tail of a transaction
// that never committed is normal after a crash and passes.
Status checkWriteAheadLog(const QByteArray& log);

// A rollback journal (dbVesk.mdb-journal): refused when a record the engine
// would play back fails its checksum or the header is neither valid nor blank.
Status checkRollbackJournal(const QByteArray& journal);

// Checks the files that lie beside the database at path now. A journal still
// being written by another connection may look damaged for a moment, so a
// failure is looked at again for a short while before it stands.
Status checkJournalsBeside(const QString& databasePath);

} // namespace norvane
