#pragma once

#include "data/status.h"

#include <QIODevice>
#include <QStringList>
#include <functional>
#include <optional>

namespace norvane {

class Database;
struct CardContact;
struct StoredPhoto;

// What an import did: contacts added, contacts updated (a card whose UID the
// book knows), cards or records skipped (duplicates and refused ones), and
// files refused whole (unreadable, or neither vCard nor a CSV header Norvane
// knows); problems are "FILE:LINE: reason", one per refused card or file or
// lost photo.
struct ImportReport
{
    int imported = 0;
    int updated = 0;
    int skipped = 0;
    int refusedFiles = 0;
    QStringList problems;
    bool cancelled = false; // the progress callback said stop: nothing was written
};

// Told how far an import has read (bytes of all its files); returning false
// cancels it, and then nothing is written.
using ImportProgress = std::function<bool(qint64 done, qint64 total)>;

// Adds the table that keeps each imported card whole, and the trigger that
// removes a card with its contact, when the book has them not yet.
Status ensureCardTable(Database& db);

// Imports vCard (2.1, 3.0, 4.0) and CSV files, told apart by their content,
// in one transaction: every accepted card lands or none does. Inline photos
// are written into the photo folder (and removed again if the import fails).
Status importFiles(Database& db, const QString& photoFolder, const QStringList& files,
                   ImportReport& report, const ImportProgress& progress = {});

enum class ExportFormat { VCard4, VCard3, Csv };

// A UID of the form export gives a contact without one: a random URN UUID.
QString newUid();

// Writes every contact (or only the one with that ID). Each card keeps the
// same UID from one export to the next: a contact without one gets it here,
// stored in the book when the book can be written. A card whose photo
// cannot go with it (missing from the photo folder, unreadable, not a
// picture, larger than 16 MB) is written without it and named in
// photosLeftOut, when given: "NAME: FILE (reason)".
Status exportContacts(Database& db, const QString& photoFolder, ExportFormat format, QIODevice& out,
                      std::optional<qint64> onlyId = std::nullopt,
                      QStringList* photosLeftOut = nullptr);
// The same into a file, written whole or not at all (a temporary file renamed
// at the end) and readable by its owner only.
Status exportContactsToFile(Database& db, const QString& photoFolder, ExportFormat format,
                            const QString& path, std::optional<qint64> onlyId = std::nullopt,
                            QStringList* photosLeftOut = nullptr);

// Whether a file may be written at path beside the book: never in place of
// the book itself, of the journal SQLite keeps beside it (a file there would
// be taken for an interrupted change, and the book refused), or of anything
// in the photo folder, whether reached directly, by another path or through
// a link.
Status checkFileBesideBook(const Database& db, const QString& photoFolder, const QString& path);

// Writes a card's inline photo into the photo folder, through a file in the
// scratch folder, as the register panel stores a chosen picture (an
// identical file reused, a different one never replaced). A photo that is
// not a picture Norvane reads is left out, its reason in leftOut. A picture
// that cannot be written here (no photo folder, a full disk) is a failure:
// the card is not to be taken in without it, or a contact it updates would
// lose the photo it has, and the next edit sent to a server would take the
// photo away there too.
Status storeCardPhotoFile(const CardContact& card, const QString& photoFolder,
                          const QString& scratchFolder, StoredPhoto& stored, QString& leftOut);

// A file name made from a contact's name (letters, digits, spaces and
// dashes kept, the rest "_"), or from the fallback when nothing is left; a
// name Windows keeps for a device ("Con") gets a "_" after it.
QString fileNameFromName(const QString& name, const QString& fallback, const QString& suffix);

} // namespace norvane
