#include "sync/card_sync.h"

#include "contacts/photo_store.h"
#include "data/contact_sql.h"
#include "data/database.h"
#include "exchange/book_exchange.h"
#include "exchange/card_feed.h"
#include "exchange/card_mapping.h"
#include "exchange/vcard.h"
#include "sync/multistatus.h"
#include "sync/remote_book.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDate>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <map>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CardSync", text);
}

// Where the collection's sync token of the last run is kept.
constexpr const char* kSyncTokenKey = "carddav.sync_token";
// Set once the groups an older Norvane took in as contacts were fetched again.
constexpr const char* kGroupsToldApartKey = "carddav.groups_told_apart";
// Set once the whole collection was listed since runs pull again after
// sending new cards (see synchronise): an older Norvane kept a token that
// knew none of them, and one removed there since is named by no change.
constexpr const char* kSentCardsListedKey = "carddav.sent_cards_listed";

// What the last run saw of a card: the server's name and version of it,
// and the contact's values as they were then.
struct SyncedCard
{
    QString uid;
    QString href;
    QString etag;
    QByteArray key; // contactKey() of the values at that moment
};

SyncedCard syncedCardOfRow(const Statement& row)
{
    return {row.text(0), row.text(1), row.text(2), QByteArray::fromHex(row.utf8(3).toByteArray())};
}

// Which contact a fetched card is: the UID the book knows it by, and what the
// last run saw of it, if it saw it.
struct CardBinding
{
    QString uid;
    std::optional<SyncedCard> before;
};

std::optional<VCard> readCard(const QByteArray& text)
{
    QByteArray copy = text;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    VCardReader reader(buffer);
    return reader.next();
}

// The UID a card carries, empty when it has none or there is no card.
QString uidOf(const std::optional<VCard>& card)
{
    const VCardProperty* uid = card ? card->first(QStringLiteral("UID")) : nullptr;
    return uid ? uid->text() : QString();
}

// Whether the card's photo is not the one of the card the last run pulled or
// sent: added, replaced or removed on the server since.
bool photoChangedSince(const std::optional<VCard>& last, const VCard& now)
{
    const VCardProperty* was = last ? last->preferred(QStringLiteral("PHOTO")) : nullptr;
    const VCardProperty* is = now.preferred(QStringLiteral("PHOTO"));
    if (!was || !is) {
        return was != is;
    }
    return was->isInlineBinary() && is->isInlineBinary() ? was->binary() != is->binary()
                                                         : was->value != is->value;
}

// Whether the server's card differs, in what Norvane shows, from the card the
// last run pulled or sent: a value of the five columns, or the photo.
bool shownChangedSince(const std::optional<VCard>& last, const CardContact& mapped,
                       const VCard& now)
{
    // A card's mapping names no photo file: the two compare on the five.
    QString reason;
    const std::optional<CardContact> before = last ? contactFromCard(*last, reason) : std::nullopt;
    return !before || before->contact != mapped.contact || photoChangedSince(last, now);
}

// The book's side of a run: its contacts, cards and what the last run saw.
class LocalBook
{
public:
    LocalBook(Database& db, QString photoFolder) : m_db(db), m_photoFolder(std::move(photoFolder))
    {
    }

    Status prepare();
    QHash<QString, SyncedCard> synced(QString& reason);
    // What the last run saw of the card with that UID, wherever it is.
    std::optional<SyncedCard> syncedOf(const QString& uid);
    CardBinding bindingOf(const QString& path, const SyncedCard* before, const QString& cardUid,
                          const QSet<QString>& goneFromServer);
    // The contact holding that UID, if there is one.
    std::optional<Contact> contactOf(const QString& uid);
    // A contact without a photo that no run has synced yet and whose values
    // are those given, taken once for a card of the server rather than
    // doubled beside it: a book filled from a CSV of the same contacts. Only
    // one whose card, if any, is Norvane's own, so that no imported card's
    // other properties go.
    std::optional<Contact> unsyncedTwinOf(const Contact& values);
    // Forgets which contacts were unsynced: a push in between syncs some.
    void forgetUnsyncedTwins() { m_unsyncedTwins.reset(); }
    // The card the book keeps for the contact: the one last pulled from the
    // server or sent to it, or the one imported; nullopt when it keeps none.
    std::optional<VCard> keptCard(qint64 id);
    // Notes a card the server took: kept for the contact, and synced.
    Status recordSent(qint64 id, const QByteArray& sent, const SyncedCard& card);
    Status applyServerCard(const DavResource& card, const SyncedCard* before,
                           const QSet<QString>& goneFromServer, SyncReport& report);
    Status removeServerRemoved(const SyncedCard& before, SyncReport& report);
    // The paths of the synced cards the book keeps as contacts that are
    // groups, as an older Norvane took them in.
    QStringList groupsKeptAsContacts(QString& reason);
    // Keeps the server's card for the contact and notes it as synced.
    Status keepServerCard(qint64 id, const QString& uid, const DavResource& fetched,
                          const VCard& card, const QByteArray& key);
    Status record(const SyncedCard& card);
    Status forget(const QString& uid);
    QString setting(const char* key);
    Status setSetting(const char* key, const QString& value);
    Statement& statement(const char* sql);

private:
    Status write(Statement& statement) { return runToEnd(m_db, statement); }
    Status keepConflictCopy(const Contact& local, SyncReport& report);

    Database& m_db;
    QString m_photoFolder;
    QTemporaryDir m_scratch;
    // The IDs of those contacts by contactKey(), read at the first need.
    std::optional<QMultiHash<QByteArray, qint64>> m_unsyncedTwins;
    std::map<const char*, Statement> m_statements; // by the address of their SQL
};

Statement& LocalBook::statement(const char* sql)
{
    Statement& made = m_statements[sql];
    if (!made.isValid()) {
        QString reason;
        made = m_db.prepare(sql, reason);
    }
    made.reset();
    return made;
}

Status LocalBook::prepare()
{
    Status status = ensureCardTable(m_db);
    return status.ok() ? ensureSyncTable(m_db) : status;
}

QHash<QString, SyncedCard> LocalBook::synced(QString& reason)
{
    QHash<QString, SyncedCard> byPath;
    Statement rows = m_db.prepare("SELECT UID, HREF, ETAG, SYNCED FROM tblSync", reason);
    bool done = false;
    while (rows.isValid() && rows.next(done)) {
        const SyncedCard card = syncedCardOfRow(rows);
        byPath.insert(card.href, card);
    }
    if (!done) {
        reason = m_db.lastError();
    }
    return byPath;
}

std::optional<SyncedCard> LocalBook::syncedOf(const QString& uid)
{
    Statement& find = statement("SELECT UID, HREF, ETAG, SYNCED FROM tblSync WHERE UID = ?1");
    find.bind(1, uid);
    bool done = false;
    return find.next(done) ? std::optional(syncedCardOfRow(find)) : std::nullopt;
}

// A card at a path the last run saw is the contact synced with it, whatever
// UID the card carries now. A card at a new path is the contact with its UID,
// unless that UID was synced with a card at another path:
//  - gone from the server, the card was moved (or made again under a new
//    name): the contact follows it, and the old path's removal leaves it be;
//  - still there, it is another card with the same UID, which some servers
//    take: a contact of its own, under a UID made here, so that the two cards
//    never take turns at one contact. Its card keeps the server's UID.
CardBinding LocalBook::bindingOf(const QString& path, const SyncedCard* before,
                                 const QString& cardUid, const QSet<QString>& goneFromServer)
{
    if (before) {
        return {before->uid, *before};
    }
    const QString uid = cardUid.isEmpty() ? path : cardUid;
    std::optional<SyncedCard> elsewhere = syncedOf(uid);
    if (!elsewhere) {
        return {uid, std::nullopt};
    }
    if (goneFromServer.contains(elsewhere->href)) {
        return {uid, std::move(elsewhere)};
    }
    return {newUid(), std::nullopt};
}

std::optional<Contact> LocalBook::contactOf(const QString& uid)
{
    Statement& find =
        statement("SELECT y.ID, y.NAME, y.ADDRESS, y.CONTACT, y.EMAIL, y.COMPANY, y.PROFILE "
                  "FROM tblCard c JOIN tblYou y ON y.ID = c.ID WHERE c.UID = ?1");
    find.bind(1, uid);
    bool done = false;
    if (!find.next(done)) {
        return std::nullopt;
    }
    return contactOfRow(find);
}

std::optional<Contact> LocalBook::unsyncedTwinOf(const Contact& values)
{
    if (!m_unsyncedTwins) {
        // Where they cannot be read, there are none: the card comes as new.
        m_unsyncedTwins.emplace();
        QString reason;
        Statement rows = m_db.prepare(
            "SELECT y.ID, y.NAME, y.ADDRESS, y.CONTACT, y.EMAIL, y.COMPANY, y.PROFILE "
            "FROM tblYou y LEFT JOIN tblCard c ON c.ID = y.ID WHERE IFNULL(y.PROFILE, '') = '' "
            "AND (c.ID IS NULL OR (c.VCARD IS NULL AND "
            "(c.UID IS NULL OR c.UID NOT IN (SELECT UID FROM tblSync))))",
            reason);
        bool done = false;
        while (rows.isValid() && rows.next(done)) {
            const Contact contact = contactOfRow(rows);
            m_unsyncedTwins->insert(contactKey(contact), contact.id);
        }
    }
    const auto twin = m_unsyncedTwins->constFind(contactKey(values));
    if (twin == m_unsyncedTwins->cend()) {
        return std::nullopt;
    }
    Contact contact = values;
    contact.id = twin.value();
    m_unsyncedTwins->erase(twin);
    return contact;
}

std::optional<VCard> LocalBook::keptCard(qint64 id)
{
    Statement& find = statement("SELECT VCARD FROM tblCard WHERE ID = ?1");
    find.bind(1, id);
    bool done = false;
    return find.next(done) ? readCard(find.utf8(0).toByteArray()) : std::nullopt;
}

// The card sent becomes the one kept, so that the next pull knows what the
// server had from here (a photo it then goes without was removed there).
Status LocalBook::recordSent(qint64 id, const QByteArray& sent, const SyncedCard& card)
{
    return inTransaction(m_db, [&] {
        Statement& keep = statement("UPDATE tblCard SET VCARD = ?2 WHERE ID = ?1");
        keep.bind(1, id);
        keep.bindUtf8(2, sent);
        const Status kept = write(keep);
        return kept.ok() ? record(card) : kept;
    });
}

Status LocalBook::record(const SyncedCard& card)
{
    Statement& put = statement(
        "INSERT OR REPLACE INTO tblSync (UID, HREF, ETAG, SYNCED) VALUES (?1, ?2, ?3, ?4)");
    put.bind(1, card.uid);
    put.bind(2, card.href);
    put.bind(3, card.etag);
    put.bindUtf8(4, card.key.toHex());
    return write(put);
}

QString LocalBook::setting(const char* key)
{
    Statement& read = statement("SELECT VALUE FROM tblSetting WHERE KEY = ?1");
    read.bind(1, QString::fromLatin1(key));
    bool done = false;
    return read.next(done) ? read.text(0) : QString();
}

Status LocalBook::setSetting(const char* key, const QString& value)
{
    Statement& put = statement("INSERT OR REPLACE INTO tblSetting (KEY, VALUE) VALUES (?1, ?2)");
    put.bind(1, QString::fromLatin1(key));
    put.bind(2, value);
    return write(put);
}

Status LocalBook::forget(const QString& uid)
{
    Statement& remove = statement("DELETE FROM tblSync WHERE UID = ?1");
    remove.bind(1, uid);
    return write(remove);
}

// The local version of a contact changed on both sides, as a new contact
// (a UID of its own, no server card yet: the push sends it as new).
Status LocalBook::keepConflictCopy(const Contact& local, SyncReport& report)
{
    Contact copy = local;
    copy.name = tr("%1 (conflict %2)").arg(local.name, QDate::currentDate().toString(Qt::ISODate));
    Statement& insert = statement(kInsertContactSql);
    bindContactTexts(insert, copy);
    if (Status written = write(insert); !written.ok()) {
        return written;
    }
    ++report.conflicts;
    return Status::success();
}

Status LocalBook::applyServerCard(const DavResource& fetched, const SyncedCard* before,
                                  const QSet<QString>& goneFromServer, SyncReport& report)
{
    const std::optional<VCard> card = readCard(fetched.card);
    // A group (as a phone maker's address books keep them beside the
    // contacts) is no contact here, and is left alone there: shown as one,
    // its removal here would take the group away from every device. One
    // taken in as a contact before goes here as if removed there.
    if (card && isGroupCard(*card)) {
        return before ? removeServerRemoved(*before, report) : Status::success();
    }
    QString reason;
    std::optional<CardContact> mapped = card ? contactFromCard(*card, reason) : std::nullopt;
    if (!mapped) {
        report.problems.append(
            tr("%1 could not be read: %2").arg(fetched.href, card ? reason : tr("not a vCard")));
        return Status::success();
    }
    const CardBinding bound = bindingOf(fetched.href, before, mapped->uid, goneFromServer);
    std::optional<Contact> local = contactOf(bound.uid);
    if (!local && !bound.before && mapped->photo.isEmpty()) {
        Contact values = mapped->contact;
        values.profile.clear();
        local = unsyncedTwinOf(values);
    }
    // Changed here since the last run, or never synced.
    const bool changedHere = local && (!bound.before || contactKey(*local) != bound.before->key);
    // Only the card's version moved on the server (a property Norvane does
    // not show changed, another client saved it again, or the server named no
    // version of the card sent to it): no conflict. The edit here stands and
    // the push sends it on top of the server's card, which it keeps.
    const std::optional<VCard> kept = local ? keptCard(local->id) : std::nullopt;
    if (changedHere && bound.before && !shownChangedSince(kept, *mapped, *card)) {
        return keepServerCard(local->id, bound.uid, fetched, *card, bound.before->key);
    }
    Contact server = mapped->contact;
    // The contact keeps its own photo where the card gives none it can take,
    // unless, since the last run, the card's photo changed on the server
    // (removed there, it goes here too; a new one Norvane cannot read leaves
    // the contact without one, the card keeping it, so that an edit here does
    // not send the old photo back over it) or the contact changed here (the
    // server's version then wins whole, and the local one is kept beside it).
    const bool serverPhotoOnly =
        local && bound.before && (changedHere || photoChangedSince(kept, *card));
    server.profile = local && !serverPhotoOnly ? local->profile : QString();
    if (!mapped->photo.isEmpty()) {
        StoredPhoto stored;
        QString leftOut;
        if (Status kept =
                storeCardPhotoFile(*mapped, m_photoFolder, m_scratch.path(), stored, leftOut);
            !kept.ok()) {
            // A picture that cannot be written here stops the run, as a
            // failed write to the book does; the next run takes the card in.
            return Status::failure(tr("the photo of %1 could not be kept here: %2")
                                       .arg(server.name, withinSentence(kept.reason())));
        }
        if (leftOut.isEmpty()) {
            server.profile = stored.name;
        } else {
            report.photosNotTaken.append(QStringLiteral("%1 (%2)").arg(server.name, leftOut));
        }
    }
    const QByteArray serverKey = contactKey(server);
    if (local) {
        // Changed here too: unless both sides came to the same values, the
        // server's version wins and the local one is kept beside it.
        if (changedHere && contactKey(*local) != serverKey) {
            if (Status kept = keepConflictCopy(*local, report); !kept.ok()) {
                return kept;
            }
        }
        Statement& update = statement("UPDATE tblYou SET NAME = ?1, ADDRESS = ?2, CONTACT = ?3, "
                                      "EMAIL = ?4, COMPANY = ?5, PROFILE = ?6 WHERE ID = ?7");
        bindContactTexts(update, server);
        update.bind(7, local->id);
        if (Status written = write(update); !written.ok()) {
            return written;
        }
        server.id = local->id;
        ++report.pulledChanged;
    } else {
        Statement& insert = statement(kInsertContactSql);
        bindContactTexts(insert, server);
        if (Status written = write(insert); !written.ok()) {
            return written;
        }
        server.id = m_db.lastInsertId();
        ++report.pulledNew;
    }
    return keepServerCard(server.id, bound.uid, fetched, *card, serverKey);
}

Status LocalBook::keepServerCard(qint64 id, const QString& uid, const DavResource& fetched,
                                 const VCard& card, const QByteArray& key)
{
    Statement& cardRow =
        statement("INSERT OR REPLACE INTO tblCard (ID, UID, VCARD) VALUES (?1, ?2, ?3)");
    cardRow.bind(1, id);
    cardRow.bind(2, uid);
    cardRow.bindUtf8(3, writeVCard(card));
    if (Status written = write(cardRow); !written.ok()) {
        return written;
    }
    return record({uid, fetched.href, fetched.etag, key});
}

Status LocalBook::removeServerRemoved(const SyncedCard& before, SyncReport& report)
{
    // Moved to another path in this run: the contact went with the card.
    if (const std::optional<SyncedCard> now = syncedOf(before.uid);
        !now || now->href != before.href) {
        return Status::success();
    }
    const std::optional<Contact> local = contactOf(before.uid);
    // A change here wins over the removal there: the contact stays, and is
    // pushed again as new.
    if (local && contactKey(*local) == before.key) {
        Statement& remove = statement(kDeleteContactSql);
        remove.bind(1, local->id);
        if (Status written = write(remove); !written.ok()) {
            return written;
        }
        ++report.pulledRemoved;
    }
    return forget(before.uid);
}

QStringList LocalBook::groupsKeptAsContacts(QString& reason)
{
    QStringList paths;
    // LIKE finds the few candidates without reading every card; the card
    // itself says whether it is a group.
    Statement rows =
        m_db.prepare("SELECT s.HREF, c.VCARD FROM tblSync s "
                     "JOIN tblCard c ON c.UID = s.UID WHERE c.VCARD LIKE '%KIND:group%'",
                     reason);
    bool done = false;
    while (rows.isValid() && rows.next(done)) {
        const std::optional<VCard> card = readCard(rows.utf8(1).toByteArray());
        if (card && isGroupCard(*card)) {
            paths.append(rows.text(0));
        }
    }
    if (rows.isValid() && !done) {
        reason = m_db.lastError();
    }
    return paths;
}

// A transaction of the pull whose counts stand in the report only once it is
// committed: one that is not (a full disk) kept none of its cards.
template <class Change> Status inCountedTransaction(Database& db, SyncReport& report, Change change)
{
    const SyncReport before = report;
    const Status committed = inTransaction(db, change);
    if (!committed.ok()) {
        report = before;
    }
    return committed;
}

// Names each card asked for that the multiget answer left out (the server
// failed it alone, or it was removed since the listing), and each too large
// to read, which stays out until it changes there; true when the server left
// none out.
bool noteUnfetched(const QStringList& wanted, const QList<DavResource>& fetched,
                   const QStringList& tooLarge, SyncReport& report)
{
    QSet<QString> sent(tooLarge.cbegin(), tooLarge.cend());
    for (const DavResource& card : fetched) {
        sent.insert(card.href);
    }
    for (const QString& path : tooLarge) {
        report.problems.append(
            tr("%1 is larger than the %2 MB a sync reads; it is left out until it changes there")
                .arg(path)
                .arg(DavClient::kLargestAnswer / (1024 * 1024)));
    }
    bool all = true;
    for (const QString& path : wanted) {
        if (!sent.contains(path)) {
            report.problems.append(tr("%1 was asked for but not sent by the server").arg(path));
            all = false;
        }
    }
    return all;
}

// A group an older Norvane took in as a contact is fetched again, once,
// though unchanged there: it then goes here as groups do.
Status askAgainForGroups(LocalBook& book, const QSet<QString>& removed, QStringList& wanted)
{
    QString reason;
    for (const QString& path : book.groupsKeptAsContacts(reason)) {
        if (!removed.contains(path)) {
            wanted.append(path);
        }
    }
    return reason.isEmpty() ? Status::success() : Status::failure(reason);
}

// Pulls what changed on the server since the last run and applies it: the
// cards a few hundred to a transaction, each with what the book knows of it,
// so that the window and other programs never wait long for the book; then
// the removals with the new sync token, so that a run that ends between two
// transactions is finished by the next one.
Status pull(Database& db, DavClient& client, const QUrl& collection, LocalBook& book,
            SyncReport& report)
{
    QString reason;
    book.forgetUnsyncedTwins();
    const QHash<QString, SyncedCard> known = book.synced(reason);
    if (!reason.isEmpty()) {
        return Status::failure(reason);
    }
    const bool sentCardsListed = !book.setting(kSentCardsListedKey).isEmpty();
    const QString lastToken = sentCardsListed ? book.setting(kSyncTokenKey) : QString();
    std::optional<RemoteChanges> changes = remoteChanges(client, collection, lastToken, reason);
    if (!changes) {
        return Status::failure(reason);
    }
    if (changes->complete) {
        for (auto it = known.cbegin(); it != known.cend(); ++it) {
            if (!changes->changed.contains(it.key())) {
                changes->removed.insert(it.key());
            }
        }
    }
    // A collection emptied at once is more often a server's fault than the
    // user's wish: nothing is removed here for it.
    const auto removedKnown =
        std::count_if(changes->removed.cbegin(), changes->removed.cend(),
                      [&](const QString& path) { return known.contains(path); });
    if (known.size() > 1 && changes->changed.isEmpty() && removedKnown == known.size()) {
        return Status::failure(
            tr("the address book on the server is empty, though it held %1 cards at the last "
               "sync; nothing was removed here. If it was emptied on purpose, remove the account "
               "(norvane-db account DIR --remove), set it again and sync")
                .arg(known.size()));
    }
    QStringList wanted;
    for (auto it = changes->changed.cbegin(); it != changes->changed.cend(); ++it) {
        const auto seen = known.constFind(it.key());
        if (seen == known.cend() || seen->etag != it.value() || it.value().isEmpty()) {
            wanted.append(it.key());
        }
    }
    const bool groupsToldApart = !book.setting(kGroupsToldApartKey).isEmpty();
    if (!groupsToldApart) {
        if (Status asked = askAgainForGroups(book, changes->removed, wanted); !asked.ok()) {
            return asked;
        }
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    QStringList tooLarge;
    std::optional<QList<DavResource>> fetched =
        fetchCards(client, collection, wanted, tooLarge, reason);
    if (!fetched) {
        return Status::failure(reason);
    }
    const bool allFetched = noteUnfetched(wanted, *fetched, tooLarge, report);
    constexpr qsizetype kCardsInTransaction = 200;
    for (qsizetype from = 0; from < fetched->size(); from += kCardsInTransaction) {
        const qsizetype to = std::min(from + kCardsInTransaction, fetched->size());
        const Status applied = inCountedTransaction(db, report, [&] {
            for (qsizetype i = from; i < to; ++i) {
                DavResource& card = (*fetched)[i];
                if (card.etag.isEmpty()) {
                    card.etag = changes->changed.value(card.href);
                }
                const auto seen = known.constFind(card.href);
                const Status one = book.applyServerCard(
                    card, seen == known.cend() ? nullptr : &*seen, changes->removed, report);
                if (!one.ok()) {
                    return one;
                }
            }
            return Status::success();
        });
        if (!applied.ok()) {
            return applied;
        }
    }
    return inCountedTransaction(db, report, [&] {
        for (const QString& path : std::as_const(changes->removed)) {
            if (const auto before = known.constFind(path); before != known.cend()) {
                if (Status removed = book.removeServerRemoved(*before, report); !removed.ok()) {
                    return removed;
                }
            }
        }
        for (const char* key : {kGroupsToldApartKey, kSentCardsListedKey}) {
            if (allFetched && book.setting(key).isEmpty()) {
                if (Status noted = book.setSetting(key, QStringLiteral("1")); !noted.ok()) {
                    return noted;
                }
            }
        }
        // A card the server left out goes unseen past the new token: the
        // next run asks again from the last one.
        return book.setSetting(kSyncTokenKey, allFetched ? changes->token : lastToken);
    });
}

// The card Norvane exports for the contact, and its UID (given here when
// the contact had none); nullopt without a reason when the contact is gone.
// A photo the card goes without is named in photosNotSent. A card that
// replaces one on the server whose UID is not the book's (a second card of
// one UID there) goes with the server's, uidThere: a server refuses a card
// that changes the UID of the one it replaces. Cards go as
// vCard 3.0, which every CardDAV server must take (RFC 6352): a server that
// rewrites cards through a 3.0 library (Radicale) cuts a 4.0 photo's data:
// URI off at its comma, and the photo is lost for every device.
std::optional<std::pair<QByteArray, QString>> exportedCard(Database& db, const QString& photoFolder,
                                                           qint64 id, const QString& uidThere,
                                                           QString& reason,
                                                           QStringList& photosNotSent)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const Status written =
        exportContacts(db, photoFolder, ExportFormat::VCard3, out, id, &photosNotSent);
    if (written.kind() == Status::Failure::Gone) {
        return std::nullopt; // removed meanwhile: the next run sends its removal
    }
    std::optional<VCard> card = written.ok() ? readCard(out.data()) : std::nullopt;
    const VCardProperty* uid = card ? card->first(QStringLiteral("UID")) : nullptr;
    if (!uid) {
        reason = written.ok() ? tr("the contact's card could not be made") : written.reason();
        return std::nullopt;
    }
    const QString bookUid = uid->text();
    if (uidThere.isEmpty() || uidThere == bookUid) {
        return std::pair{out.data(), bookUid};
    }
    for (VCardProperty& property : card->properties) {
        if (property.name == u"UID") {
            property.value = escapeValue(uidThere);
        }
    }
    return std::pair{writeVCard(*card), bookUid};
}

// The paths a new card may be put at: its UID made safe for a path, and the
// same with a digest of the UID for when a card of another UID holds that
// one (UIDs that differ only in characters a path cannot take).
QStringList newCardPaths(const QUrl& collection, const QString& uid)
{
    QString name;
    for (const QChar c : uid) {
        name.append(c.isLetterOrNumber() || c == u'-' ? c : QChar(u'_'));
    }
    const QByteArray digest =
        QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    const QString path = collection.path() + name;
    return {path + QStringLiteral(".vcf"),
            path + u'-' + QString::fromLatin1(digest) + QStringLiteral(".vcf")};
}

QUrl at(const QUrl& collection, const QString& path)
{
    QUrl url = collection;
    url.setPath(path);
    return url;
}

// The version of a card the server just took. A server that changed the
// card as it stored it names none (RFC 6352, 6.3.2.3): the card is read back,
// and its version noted when it still holds what was sent. Otherwise none is
// noted, and the next pull fetches the card; without one, a contact removed
// here before that pull would come back from the server as changed there.
QString versionTaken(DavClient& client, const QUrl& url, const QByteArray& sent,
                     const DavReply& put)
{
    if (!put.etag.isEmpty()) {
        return QString::fromLatin1(put.etag);
    }
    const DavReply got = client.send("GET", url);
    const std::optional<VCard> there = got.succeeded() ? readCard(got.body) : std::nullopt;
    QString reason;
    const std::optional<CardContact> mapped =
        there ? contactFromCard(*there, reason) : std::nullopt;
    return mapped && !shownChangedSince(readCard(sent), *mapped, *there)
               ? QString::fromLatin1(got.etag)
               : QString();
}

// Sends a contact the server does not have yet.
Status pushNew(DavClient& client, const QUrl& collection, LocalBook& book, qint64 id,
               const QByteArray& card, const QString& uid, const QByteArray& key,
               SyncReport& report)
{
    DavReply put;
    QString path;
    for (const QString& candidate : newCardPaths(collection, uid)) {
        path = candidate;
        put = client.send("PUT", at(collection, path), card,
                          {{"If-None-Match", "*"}, {"Content-Type", "text/vcard; charset=utf-8"}});
        if (put.succeeded()) {
            ++report.pushedNew;
            const QString version = versionTaken(client, at(collection, path), card, put);
            return book.recordSent(id, card, {uid, path, version, key});
        }
        if (put.status != 412) {
            break;
        }
        // Put there by a run that ended before it could note it: known from
        // now on, and sent again as changed by the next run. A card of
        // another UID there sends this one to the next path.
        const DavReply got = client.send("GET", at(collection, path));
        const QString there = got.succeeded() ? uidOf(readCard(got.body)) : QString();
        if (there == uid) {
            return book.record({uid, path, QString::fromLatin1(got.etag), QByteArray()});
        }
        if (there.isEmpty()) {
            break;
        }
    }
    report.problems.append(refusalText(tr("sending %1").arg(path), collection, put));
    return Status::success();
}

// Sends what changed here since the last run: new and changed contacts, and
// removals. Each card the server takes is noted at once.
Status push(Database& db, DavClient& client, const QUrl& collection, const QString& photoFolder,
            LocalBook& book, SyncReport& report)
{
    QString reason;
    QHash<QString, SyncedCard> byUid;
    for (const SyncedCard& card : book.synced(reason)) {
        byUid.insert(card.uid, card);
    }
    // A contact missing from a list cut short would be sent again as new.
    if (!reason.isEmpty()) {
        return Status::failure(reason);
    }
    QList<Contact> contacts;
    QStringList uids;
    Statement rows = db.prepare(
        "SELECT y.ID, y.NAME, y.ADDRESS, y.CONTACT, y.EMAIL, y.COMPANY, y.PROFILE, c.UID "
        "FROM tblYou y LEFT JOIN tblCard c ON c.ID = y.ID ORDER BY y.ID",
        reason);
    bool done = false;
    while (rows.isValid() && rows.next(done)) {
        contacts.append(contactOfRow(rows));
        uids.append(rows.text(kContactColumnCount));
    }
    if (!done) {
        return Status::failure(reason.isEmpty() ? db.lastError() : reason);
    }
    rows = Statement();
    for (qsizetype i = 0; i < contacts.size(); ++i) {
        const QByteArray key = contactKey(contacts[i]);
        const auto synced = byUid.constFind(uids[i]);
        if (synced != byUid.cend() && synced->key == key) {
            byUid.remove(uids[i]);
            continue;
        }
        reason.clear();
        const QString uidThere =
            synced == byUid.cend() ? QString() : uidOf(book.keptCard(contacts[i].id));
        const auto card =
            exportedCard(db, photoFolder, contacts[i].id, uidThere, reason, report.photosNotSent);
        if (!card && !reason.isEmpty()) {
            return Status::failure(reason);
        }
        if (!card) {
            continue;
        }
        if (synced == byUid.cend()) {
            if (Status sent = pushNew(client, collection, book, contacts[i].id, card->first,
                                      card->second, key, report);
                !sent.ok()) {
                return sent;
            }
            continue;
        }
        const SyncedCard before = *synced;
        byUid.remove(uids[i]);
        const DavReply put = client.send(
            "PUT", at(collection, before.href), card->first,
            {{"If-Match", before.etag.toUtf8()}, {"Content-Type", "text/vcard; charset=utf-8"}});
        if (put.succeeded()) {
            ++report.pushedChanged;
            const QString version =
                versionTaken(client, at(collection, before.href), card->first, put);
            if (Status noted = book.recordSent(contacts[i].id, card->first,
                                               {before.uid, before.href, version, key});
                !noted.ok()) {
                return noted;
            }
        } else if (put.status != 412) { // 412: changed there too; the next pull sorts it out
            report.problems.append(refusalText(tr("sending %1").arg(before.href), collection, put));
        }
    }
    // What is left was synced once and is no contact here any more.
    for (const SyncedCard& gone : std::as_const(byUid)) {
        const DavReply removed = client.send("DELETE", at(collection, gone.href), {},
                                             {{"If-Match", gone.etag.toUtf8()}});
        if (removed.succeeded() || removed.status == 404 || removed.status == 412) {
            // 412: changed there since; forgotten here, it comes back as new.
            report.pushedRemoved += removed.status == 412 ? 0 : 1;
            if (Status noted = book.forget(gone.uid); !noted.ok()) {
                return noted;
            }
        } else {
            report.problems.append(
                refusalText(tr("removing %1").arg(gone.href), collection, removed));
        }
    }
    return Status::success();
}

} // namespace

Status synchronise(Database& db, DavClient& client, const CardDavAccount& account,
                   const QString& photoFolder, SyncReport& report)
{
    report = SyncReport();
    // One run of a book at a time, whichever program starts it: two at once
    // would each take in every new card of the server, and send both back.
    return whileSyncStateIsOurs(db, [&] {
        // The caller read the account before the lock: if it has changed
        // since, what the book knows is of the new one, never of this run's.
        QString reason;
        const std::optional<CardDavAccount> stored = loadAccount(db, reason);
        if (!stored || !isSameAddressBook(*stored, account)) {
            return Status::failure(reason.isEmpty()
                                       ? tr("the book's account was changed as this sync began")
                                       : reason);
        }
        if (Status writable = checkContactTableWritable(db); !writable.ok()) {
            return writable;
        }
        LocalBook book(db, photoFolder);
        if (Status ready = book.prepare(); !ready.ok()) {
            return ready;
        }
        const QUrl collection = account.url;
        if (Status pulled = pull(db, client, collection, book, report); !pulled.ok()) {
            return pulled;
        }
        if (Status pushed = push(db, client, collection, photoFolder, book, report);
            !pushed.ok() || report.pushedNew == 0 || book.setting(kSyncTokenKey).isEmpty()) {
            return pushed;
        }
        // A card sent as new is not in the collection as the kept sync token
        // knew it: removed there before the next run, it would be in neither
        // that state nor the next, named by no list of changes, and stay here
        // for good. Asking once more keeps a token that holds it.
        return pull(db, client, collection, book, report);
    });
}

QStringList photoLines(const SyncReport& report)
{
    QStringList lines;
    for (const QString& photo : report.photosNotSent) {
        lines.append(tr("sent without its photo: %1").arg(photo));
    }
    for (const QString& photo : report.photosNotTaken) {
        lines.append(tr("taken in without its photo: %1").arg(photo));
    }
    return lines;
}

Status ensureSyncTable(Database& db)
{
    return db.execute("CREATE TABLE IF NOT EXISTS tblSync (UID TEXT PRIMARY KEY, "
                      "HREF TEXT UNIQUE, ETAG TEXT, SYNCED TEXT)");
}

} // namespace norvane
