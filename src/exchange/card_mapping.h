#pragma once

#include "data/contact.h"
#include "data/contact_sql.h"
#include "exchange/vcard.h"

#include <QByteArray>
#include <QDateTime>
#include <optional>

namespace norvane {

// What a card gives the six columns (PROFILE stays empty: the importer
// names the photo), with its inline photo and UID.
struct CardContact
{
    Contact contact;
    QByteArray photo;  // an inline PHOTO's bytes, not yet checked to be a picture
    QString photoName; // the file name Norvane exported the photo from, if it did
    QString uid;
};

// Maps a card to the columns; nullopt with a reason when it has nothing to
// name the contact by (no FN, N, ORG, e-mail or number).
std::optional<CardContact> contactFromCard(const VCard& card, QString& reason);

// A card of a group of contacts (KIND:group, or the property a phone maker's
// servers and address books write in 3.0 cards), which lists its members and
// is no contact itself.
bool isGroupCard(const VCard& card);

enum class VCardVersion { V3, V4 };

// A picture to embed, with its type in upper case ("JPEG", "PNG").
struct EmbeddedPhoto
{
    QByteArray bytes;
    QString type;
};

// The card to export for a contact: the stored card (empty for a contact
// that came with none) with the columns' values over the properties they
// map from, everything else as it came; then UID, REV and PRODID. The photo
// file's name goes along (X-NORVANE-PHOTO), so that an import names it alike.
// Without a photo, the stored card's photos given by URL stay, and its inline
// ones too when keepInlinePhoto says so.
VCard cardForExport(const VCard& stored, const Contact& contact, const QString& uid,
                    const std::optional<EmbeddedPhoto>& photo, VCardVersion version,
                    const QString& revision, bool keepInlinePhoto = false);

// The same card for a contact that came with none, written straight into
// the buffer without building its properties first: the export of a large
// book spends most of its time here. From the texts in UTF-8 (as the window
// reads them from the book), with the UID in UTF-8.
void appendContactCard(QByteArray& out, const ContactUtf8& texts, QByteArrayView uid,
                       const std::optional<EmbeddedPhoto>& photo, VCardVersion version,
                       const QString& revision);

// A REV value: the time in UTC, "20261207T143011Z".
QString revisionText(const QDateTime& time);

// The family name, given name and suffix derived from a full name: the
// last word is the family name and the words before it the given name. In a
// name of one comma, the words before it are the family name and those after
// it the given name ("Lee, Ann"), unless they are a suffix such as "Jr.":
// "Martin King, Jr." is family "King", given "Martin", suffix "Jr.", and so
// is "Martin King Jr.".
QStringList derivedNameParts(const QString& name);

} // namespace norvane
