#pragma once

#include "data/connection_text.h"
#include "data/contact.h"
#include "data/status.h"

#include <QString>
#include <vector>

namespace norvane {

class Database;

class DataControl;
class RecordSet;

inline const QString kWholeTable = QStringLiteral("Select * from tblYou");

// The application folder's photo folder and database file.
QString photoFolder(const QString& applicationFolder);
QString databaseFile(const QString& applicationFolder);

// Sets the connection text for the application folder and the record source,
// then refreshes: the record set holds the table, first row current. A book
// under a passphrase of the user's fails with WrongKey until it is given.
Status connectSequence(DataControl& dataControl, const QString& applicationFolder,
                       const QString& recordSource = kWholeTable,
                       const QString& password = databasePassword());

// Creates an empty contact database at the path; refuses to touch an existing file.
Status createContactDatabase(const QString& path);
// Gives a book made before it the index on PROFILE that a removal counts a
// photo's other users by; added tells whether it was missing.
Status addProfileIndex(Database& db, bool& added);

// Adds many contacts in one transaction: all of them or, on failure, none.
Status importContacts(const QString& applicationFolder, const std::vector<Contact>& contacts);

// The contact-number field's text as it is saved: its lines as typed, with
// no blank line before the first number or after the last (an Enter pressed
// after the number starts a line in that field, where it saves the panel in
// the others). A text of blank lines alone is no number: empty.
QString numberLinesToSave(const QString& typed);

// Adds a contact as typed. Connects first when the data control has no open store.
Status registerContact(DataControl& dataControl, const QString& applicationFolder,
                       const Contact& contact);

// Writes to the current contact, identified by its ID, the texts that differ
// from those shown when editing began, and only while the stored row still
// holds what was loaded (see RecordSet::update).
Status updateCurrentContact(DataControl& dataControl, const Contact& shown, const Contact& edited);

// Deletes the current contact by its ID, then its photo file when no other
// contact names that file (in any letter case, where the photo folder does
// not tell case apart). The photo's fate is reported in photoReason (empty
// when all went well); it never undoes the deletion of the record.
Status removeCurrentContact(DataControl& dataControl, const QString& applicationFolder,
                            QString& photoReason);

// Narrows the record set to contacts whose column holds the text; empty shows all.
void searchContacts(RecordSet& records, ContactColumn column, const QString& text);

} // namespace norvane
