#include "exchange/book_exchange.h"

#include "contacts/photo_store.h"
#include "data/ascii.h"
#include "data/contact_sql.h"
#include "data/database.h"
#include "data/whole_write.h"
#include "exchange/batch_feed.h"
#include "exchange/card_feed.h"
#include "exchange/card_mapping.h"
#include "exchange/csv.h"
#include "exchange/vcard.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QUuid>
#include <algorithm>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("BookExchange", text);
}

QString tr(const char* text, const char* disambiguation, int n)
{
    return QCoreApplication::translate("BookExchange", text, disambiguation, n);
}

// Why a CSV header is refused: the columns a list made by hand has no place
// for, when that is all that keeps it out, and the headers known.
QString unknownHeaderReason(const QStringList& header)
{
    constexpr qsizetype kMostNamed = 5;
    const QStringList without = CsvMapping::columnsWithoutPlace(header);
    if (without.isEmpty()) {
        return tr("a CSV header Norvane does not know; it knows: %1")
            .arg(CsvMapping::knownHeaders());
    }
    QString named =
        QLatin1Char('"') +
        without.first(std::min(without.size(), kMostNamed)).join(QLatin1String("\", \"")) +
        QLatin1Char('"');
    if (without.size() > kMostNamed) {
        named += tr(" and %n more", "", static_cast<int>(without.size() - kMostNamed));
    }
    return tr("a CSV header Norvane does not know: it has no place for %1 (leave out or rename "
              "such columns, so that nothing is left out unseen); it knows: %2")
        .arg(named, CsvMapping::knownHeaders());
}

// The largest photo file embedded on export.
constexpr qint64 kLargestPhoto = 16 * 1024 * 1024;

// A card's text, or NULL for a card the book does not keep.
void bindCardText(Statement& statement, int index, const QByteArray& text)
{
    if (text.isNull()) {
        statement.bindNull(index);
    } else {
        statement.bindUtf8(index, text);
    }
}

// The same for a contact whenever the book cannot store one.
QString derivedUid(qint64 id)
{
    static const QUuid kNamespace(QStringLiteral("6b1f3c52-3a58-4d0e-9a51-2f1d4e8b7c90"));
    return QStringLiteral("urn:uuid:") +
           QUuid::createUuidV5(kNamespace, QStringLiteral("tblYou:%1").arg(id))
               .toString(QUuid::WithoutBraces);
}

// The names Windows keeps for its devices, whatever follows the first dot:
// a file "Con.jpg" there is the console, and what is written to it is gone.
bool isDeviceName(const QString& fileName)
{
    static const QRegularExpression kDevice(
        QStringLiteral(
            "^(con|prn|aux|nul|com[0-9\u00b9\u00b2\u00b3]|lpt[0-9\u00b9\u00b2\u00b3])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return kDevice.match(fileName).hasMatch();
}

// A photo name a card brings that names the same one file in the photo
// folder on every system the folder may be copied to: no folder, drive or
// stream part, no character Windows refuses, no device, nothing hidden.
bool isPortablePhotoName(const QString& name)
{
    static const QString kRefused = QStringLiteral("<>:\"/\\|?*");
    const bool refusedCharacter = std::any_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() < 0x20 || kRefused.contains(c);
    });
    return isPlainPhotoName(name) && !refusedCharacter && !name.startsWith(u'.') &&
           !name.endsWith(u'.') && !name.endsWith(u' ') && !isDeviceName(name);
}

// The same file, whether or not it exists yet: the same real folder, and
// the same name as the system's usual file systems compare names.
bool sameFile(const QFileInfo& file, const QFileInfo& other)
{
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    constexpr Qt::CaseSensitivity kNames = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity kNames = Qt::CaseSensitive;
#endif
    const QString folder = file.absoluteDir().canonicalPath();
    return !folder.isEmpty() && folder == other.absoluteDir().canonicalPath() &&
           file.fileName().compare(other.fileName(), kNames) == 0;
}

// Where a write to the path lands: the file a link points to is replaced,
// whether or not it exists yet. A loop of links, which no write gets
// through, is left where it starts.
QFileInfo writtenFile(const QString& path)
{
    QFileInfo file(path);
    for (int links = 0; file.isSymLink() && links < 40; ++links) {
        file = QFileInfo(file.symLinkTarget());
    }
    return file;
}

// A file name for a contact's photo, from the contact's name.
QString photoFileName(const QString& name, const QByteArray& format)
{
    return fileNameFromName(name, QStringLiteral("photo"),
                            format == "jpeg" ? QStringLiteral("jpg") : QString::fromLatin1(format));
}

QByteArray pictureFormat(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.canRead() ? reader.format() : QByteArray();
}

// How much of a file tells what it holds.
constexpr qint64 kFirstBlock = 64 * 1024;

// How a file's lines end, told by its first block: as the readers take
// them (LF, CR LF), in CR alone (as old Macintosh programs wrote them), or in
// CR CR LF (CR LF converted once more by a program that saw only the LF).
enum class LineEnds { Readable, CrAlone, CrCrLf };

LineEnds lineEndsOf(QByteArrayView start)
{
    if (start.contains("\r\r\n")) {
        return LineEnds::CrCrLf;
    }
    return start.contains('\r') && !start.contains('\n') ? LineEnds::CrAlone : LineEnds::Readable;
}

// A block of the copy with its line ends as the readers take them. With CR
// CR LF, the CRs a block ends in wait in carry for the next block, which may
// begin with the LF they belong to.
QByteArray withReadableLineEnds(QByteArray text, LineEnds ends, QByteArray& carry, bool last)
{
    if (ends == LineEnds::CrAlone) {
        return text.replace('\r', '\n');
    }
    if (ends == LineEnds::CrCrLf) {
        text.prepend(carry);
        carry.clear();
        qsizetype kept = text.size();
        while (!last && kept > 0 && text[kept - 1] == '\r') {
            --kept;
        }
        carry = text.sliced(kept);
        text.truncate(kept);
        text.replace("\r\r\n", "\r\n");
    }
    return text;
}

// UTF-16 of either byte order, by the byte-order mark a file starts with.
std::optional<QStringConverter::Encoding> utf16ByItsMark(QByteArrayView start)
{
    if (start == QByteArrayView("\xFF\xFE")) {
        return QStringConverter::Utf16LE;
    }
    if (start == QByteArrayView("\xFE\xFF")) {
        return QStringConverter::Utf16BE;
    }
    return std::nullopt;
}

// The writing side of one import, inside its transaction.
class Importer
{
public:
    Importer(Database& db, QString photoFolder, ImportReport& report,
             const ImportProgress& progress, qint64 totalBytes)
        : m_db(db), m_photoFolder(std::move(photoFolder)), m_report(report), m_progress(progress),
          m_totalBytes(totalBytes)
    {
    }

    Status prepare();
    Status importFile(const QString& path);
    // Removes the photo files this import wrote (when it is rolled back).
    void removeWrittenPhotos();

private:
    Status importReadable(QFile& file);
    Status importThroughCopy(QFile& original, std::optional<QStringConverter::Encoding> utf16);
    Status importVCards();
    Status importCsv(QIODevice& file);
    // Adds the card's contact, or updates the one with its UID.
    Status add(const FedCard& fed);
    // Stores the card's photo in the photo folder and gives its name (none
    // when the photo is left out).
    Status storeCardPhoto(const CardContact& card, int line, QString& name);
    // "FILE:LINE" of the file being imported.
    QString where(int line) const;
    void problem(int line, const QString& reason);
    // A file none of whose contacts can be read.
    void refuseFile(const QString& reason);
    Status run(Statement& statement);
    // Tells the progress callback how far the file is read; a failure when
    // the user cancelled.
    Status reportProgress(qint64 position);

    Database& m_db;
    QString m_photoFolder;
    ImportReport& m_report;
    const ImportProgress& m_progress;
    qint64 m_totalBytes = 0;
    qint64 m_bytesBefore = 0;     // of the files already imported
    QString m_path;               // of the file being imported
    QString m_readPath;           // what is read of it: the file, or a readable copy
    double m_positionScale = 1.0; // from a position in what is read to one in the file
    WesternCodePage m_western = WesternCodePage::Windows; // for its CSV text that is not UTF-8
    QTemporaryDir m_scratch;
    QHash<TextDigest, qint64> m_idByUid; // the book's UIDs and those imported
    QSet<TextDigest> m_uidsTaken;        // by a card of this import
    QSet<TextDigest> m_keys;
    QStringList m_writtenPhotos;
    Statement m_insertContact, m_updateContact, m_selectContact, m_insertCard, m_updateCard;
};

Status Importer::run(Statement& statement)
{
    return runToEnd(m_db, statement);
}

Status Importer::reportProgress(qint64 position)
{
    const auto inFile = static_cast<qint64>(static_cast<double>(position) * m_positionScale);
    if (m_progress && !m_progress(m_bytesBefore + inFile, m_totalBytes)) {
        m_report.cancelled = true;
        return Status::failure(tr("The import was cancelled."));
    }
    return Status::success();
}

QString Importer::where(int line) const
{
    return QStringLiteral("%1:%2").arg(m_path).arg(line);
}

void Importer::problem(int line, const QString& reason)
{
    m_report.problems.append(where(line) + QStringLiteral(": ") + reason);
}

void Importer::refuseFile(const QString& reason)
{
    problem(1, reason);
    ++m_report.refusedFiles;
}

Status Importer::prepare()
{
    if (Status writable = checkContactTableWritable(m_db); !writable.ok()) {
        return writable;
    }
    QString reason;
    const QByteArray selectContacts = QByteArray("SELECT ") + kContactColumnsSql + " FROM tblYou";
    const QByteArray selectContact = selectContacts + " WHERE ID = ?1";
    const auto statement = [&](const char* sql, Statement& into) {
        into = m_db.prepare(sql, reason);
        return into.isValid();
    };
    if (!statement(kInsertContactSql, m_insertContact) ||
        !statement("UPDATE tblYou SET NAME = ?1, ADDRESS = ?2, CONTACT = ?3, EMAIL = ?4, "
                   "COMPANY = ?5, PROFILE = ?6 WHERE ID = ?7",
                   m_updateContact) ||
        !statement(selectContact.constData(), m_selectContact) ||
        !statement("INSERT INTO tblCard (ID, UID, VCARD) VALUES (?1, ?2, ?3)", m_insertCard) ||
        !statement("UPDATE tblCard SET VCARD = ?2 WHERE ID = ?1", m_updateCard)) {
        return Status::failure(reason);
    }
    Statement uids = m_db.prepare("SELECT UID, ID FROM tblCard WHERE UID IS NOT NULL", reason);
    Statement rows = m_db.prepare(selectContacts.constData(), reason);
    if (!uids.isValid() || !rows.isValid()) {
        return Status::failure(reason);
    }
    bool done = false;
    while (uids.next(done)) {
        m_idByUid.insert(uidDigest(uids.utf8(0)), uids.integer(1));
    }
    while (rows.next(done)) {
        m_keys.insert(contactDigest(ContactUtf8::ofRow(rows)));
    }
    // Room for about as many cards as the files could hold (a card takes a
    // few hundred bytes), so that the tables do not grow step by step.
    const qsizetype expected =
        static_cast<qsizetype>(std::min<qint64>(m_totalBytes / 256, 1 << 22));
    m_idByUid.reserve(m_idByUid.size() + expected);
    m_keys.reserve(m_keys.size() + expected);
    return done ? Status::success() : Status::failure(m_db.lastError());
}

// A picture that cannot be written here fails the import, as a failed write
// to the book does; a photo that is no picture is said, the card taken in
// without it.
Status Importer::storeCardPhoto(const CardContact& card, int line, QString& name)
{
    StoredPhoto stored;
    QString leftOut;
    if (Status kept = storeCardPhotoFile(card, m_photoFolder, m_scratch.path(), stored, leftOut);
        !kept.ok()) {
        return Status::failure(where(line) + QStringLiteral(": ") + kept.reason());
    }
    if (!leftOut.isEmpty()) {
        problem(line, leftOut);
        name.clear();
        return Status::success();
    }
    if (stored.copied) {
        m_writtenPhotos.append(stored.name);
    }
    name = stored.name;
    return Status::success();
}

Status Importer::add(const FedCard& fed)
{
    const CardContact& card = *fed.mapped;
    const CardDigests digests = fed.digests ? *fed.digests : cardDigests(fed.utf8, fed.uidUtf8);
    // The contact as mapped, unless its photo is stored under a name: the
    // texts are bound where the feed made them in UTF-8, never copied.
    std::optional<Contact> withPhoto;
    TextDigest key = digests.key;
    if (!card.photo.isEmpty()) {
        withPhoto = card.contact;
        if (Status kept = storeCardPhoto(card, fed.line, withPhoto->profile); !kept.ok()) {
            return kept;
        }
        key = contactDigest(ContactUtf8(*withPhoto));
    }
    const Contact& contact = withPhoto ? *withPhoto : card.contact;
    // The first card of a UID in this import stands for the contact of that
    // UID. A later card of the same UID (some programs give two contacts
    // one) is a contact of its own, under a UID made here, rather than
    // taking the place of the first.
    const bool ownUid = !card.uid.isEmpty() && !m_uidsTaken.contains(digests.uidKey);
    if (ownUid) {
        m_uidsTaken.insert(digests.uidKey);
    }
    if (const auto known = ownUid ? m_idByUid.constFind(digests.uidKey) : m_idByUid.cend();
        known != m_idByUid.cend()) {
        m_selectContact.reset();
        m_selectContact.bind(1, *known);
        bool done = false;
        const ContactUtf8 stored =
            m_selectContact.next(done) ? ContactUtf8::ofRow(m_selectContact) : ContactUtf8();
        if (contactDigest(stored) == key) {
            ++m_report.skipped;
            return Status::success();
        }
        m_updateContact.reset();
        bindContactTexts(m_updateContact, contact);
        m_updateContact.bind(7, *known);
        m_updateCard.reset();
        m_updateCard.bind(1, *known);
        bindCardText(m_updateCard, 2, fed.cardText);
        if (Status written = run(m_updateContact); !written.ok()) {
            return written;
        }
        if (Status written = run(m_updateCard); !written.ok()) {
            return written;
        }
        m_keys.insert(key);
        ++m_report.updated;
        return Status::success();
    }
    if (m_keys.contains(key)) {
        ++m_report.skipped;
        return Status::success();
    }
    // The texts as the feed made them in UTF-8, bound without copies.
    m_insertContact.reset();
    if (withPhoto) {
        bindContactTexts(m_insertContact, contact);
    } else {
        bindContactUtf8(m_insertContact, fed.utf8);
    }
    if (Status written = run(m_insertContact); !written.ok()) {
        return written;
    }
    const qint64 id = m_db.lastInsertId();
    const QByteArray madeUid = ownUid ? QByteArray() : newUid().toUtf8();
    m_insertCard.reset();
    m_insertCard.bind(1, id);
    m_insertCard.bindUtf8Shared(2, ownUid ? fed.uidUtf8 : madeUid);
    bindCardText(m_insertCard, 3, fed.cardText);
    if (Status written = run(m_insertCard); !written.ok()) {
        return written;
    }
    // A UID made here is new to every card; only a card's own can come again.
    if (ownUid) {
        m_idByUid.insert(digests.uidKey, id);
    }
    m_keys.insert(key);
    ++m_report.imported;
    return Status::success();
}

Status Importer::importVCards()
{
    BatchFeed<FedCard> feed(
        [path = m_readPath](BatchFeed<FedCard>& into) { feedCards(path, into); });
    for (std::vector<FedCard> batch = feed.next(); !batch.empty();
         batch = feed.next(std::move(batch))) {
        for (const FedCard& fed : batch) {
            if (Status going = reportProgress(fed.position); !going.ok()) {
                return going;
            }
            if (!fed.mapped) {
                problem(fed.line, fed.refused);
                ++m_report.skipped;
                continue;
            }
            if (Status added = add(fed); !added.ok()) {
                return added;
            }
        }
    }
    return Status::success();
}

// Files joined into one (cat a.csv b.csv) repeat their header line, with the
// byte-order mark the later file began with: no contact.
bool repeatsHeader(const QStringList& record, const QStringList& header)
{
    if (record.isEmpty() || record.size() != header.size()) {
        return false;
    }
    QStringView first = record.first();
    if (first.startsWith(QChar::ByteOrderMark)) {
        first = first.sliced(1);
    }
    return first == header.first() &&
           std::equal(record.cbegin() + 1, record.cend(), header.cbegin() + 1);
}

Status Importer::importCsv(QIODevice& file)
{
    CsvReader reader(file, m_western);
    const std::optional<QStringList> header = reader.next();
    const std::optional<CsvMapping> mapping =
        header ? CsvMapping::forHeader(*header) : std::nullopt;
    if (!mapping) {
        refuseFile(unknownHeaderReason(header.value_or(QStringList())));
        return Status::success();
    }
    while (true) {
        if (Status going = reportProgress(file.pos()); !going.ok()) {
            return going;
        }
        const std::optional<QStringList> record = reader.next();
        if (!record) {
            if (reader.atEnd() && reader.error().isEmpty()) {
                return Status::success();
            }
            problem(reader.line(), reader.error());
            ++m_report.skipped;
            if (reader.atEnd()) {
                return Status::success();
            }
            continue;
        }
        if (repeatsHeader(*record, *header)) {
            continue;
        }
        // A comma outside quotes (an address written by hand) would move
        // every value after it into the next column.
        if (record->size() > header->size()) {
            problem(reader.line(),
                    tr("%1 fields where the header names %2; a comma outside quotes?")
                        .arg(record->size())
                        .arg(header->size()));
            ++m_report.skipped;
            continue;
        }
        Contact contact = mapping->contact(*record);
        if (contact.name.trimmed().isEmpty()) {
            contact.name = !contact.company.isEmpty() ? contact.company
                           : !contact.email.isEmpty()
                               ? contact.email
                               : contact.contact.section(u'\n', 0, 0).trimmed();
        }
        if (contact.name.trimmed().isEmpty()) {
            problem(reader.line(), tr("a record without a name, e-mail or number"));
            ++m_report.skipped;
            continue;
        }
        FedCard fed;
        fed.utf8 = ContactUtf8(contact);
        fed.mapped.emplace().contact = std::move(contact);
        fed.line = reader.line();
        if (Status added = add(fed); !added.ok()) {
            return added;
        }
    }
}

Status Importer::importFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_report.problems.append(path + QStringLiteral(": ") +
                                 tr("cannot be read: %1").arg(file.errorString()));
        ++m_report.refusedFiles;
        return Status::success();
    }
    m_path = path;
    m_readPath = path;
    m_positionScale = 1.0;
    m_western = WesternCodePage::Windows;
    const QByteArray start = file.peek(kFirstBlock);
    const std::optional<QStringConverter::Encoding> utf16 = utf16ByItsMark(start.left(2));
    const Status status = utf16 || lineEndsOf(start) != LineEnds::Readable
                              ? importThroughCopy(file, utf16)
                              : importReadable(file);
    m_bytesBefore += file.size();
    return status;
}

// Told apart by the first line: a vCard file or a CSV one.
Status Importer::importReadable(QFile& file)
{
    QByteArray firstLine = file.peek(kFirstBlock);
    firstLine = firstLine.left(firstLine.indexOf('\n'));
    if (looksLikeVCard(firstLine)) {
        return importVCards();
    }
    if (looksLikeCsv(firstLine)) {
        return importCsv(file);
    }
    refuseFile(tr("neither a vCard nor a CSV file"));
    return Status::success();
}

// A file in UTF-16 (as some Windows programs save vCards and CSV), or whose
// lines end in CR alone or in CR CR LF, is read from a copy of it in the
// scratch folder, in UTF-8 with LF or CR LF line ends; its progress is told
// in the original's bytes. A file that is not UTF-16 throughout is refused.
// A CSV whose lines end in CR alone comes from a spreadsheet on the
// Macintosh: what of it is not UTF-8 is Mac Roman, not the Windows code page.
Status Importer::importThroughCopy(QFile& original, std::optional<QStringConverter::Encoding> utf16)
{
    if (!m_scratch.isValid()) {
        return Status::failure(tr("no temporary folder: %1").arg(m_scratch.errorString()));
    }
    QFile copy(m_scratch.filePath(QStringLiteral("readable copy")));
    const auto notCopied = [&] {
        return Status::failure(
            tr("%1 could not be copied to be read: %2").arg(m_path, copy.errorString()));
    };
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return notCopied();
    }
    std::optional<QStringDecoder> decoder;
    if (utf16) {
        decoder.emplace(*utf16);
    }
    bool whole = !utf16 || original.size() % 2 == 0;
    std::optional<LineEnds> lineEnds; // told by the first block
    QByteArray carry;
    while (whole && !original.atEnd()) {
        const QByteArray block = original.read(1 << 20);
        QByteArray text = decoder ? QString(decoder->decode(block)).toUtf8() : block;
        whole = !block.isEmpty() && !(decoder && decoder->hasError());
        if (!lineEnds) {
            lineEnds = lineEndsOf(text);
            if (!utf16 && lineEnds == LineEnds::CrAlone) {
                m_western = WesternCodePage::Macintosh;
            }
        }
        text = withReadableLineEnds(text, *lineEnds, carry, original.atEnd() || !whole);
        if (!writeWhole(copy, text)) {
            return notCopied();
        }
    }
    if (!copy.flush()) {
        return notCopied();
    }
    copy.close();
    if (!whole) {
        refuseFile(tr("it starts as UTF-16 text but is not UTF-16 throughout"));
        copy.remove();
        return Status::success();
    }
    m_readPath = copy.fileName();
    m_positionScale = copy.size() > 0 ? double(original.size()) / double(copy.size()) : 1.0;
    const Status status = copy.open(QIODevice::ReadOnly) ? importReadable(copy) : notCopied();
    copy.close();
    copy.remove();
    return status;
}

// A page cache of 64 MB while UIDs are stored (an import, an export's new
// UIDs), the connection's own size given back after it. New UIDs land all
// over their index; with the default cache each of them would write out a
// page and decrypt it again.
class LargerPageCache
{
public:
    explicit LargerPageCache(Database& db) : m_db(db)
    {
        QString reason;
        Statement size = db.prepare("PRAGMA cache_size", reason);
        bool done = false;
        if (size.isValid() && size.next(done)) {
            m_before = size.integer(0);
            m_db.execute("PRAGMA cache_size = -65536");
        }
    }
    ~LargerPageCache()
    {
        if (m_before) {
            m_db.execute(("PRAGMA cache_size = " + QByteArray::number(*m_before)).constData());
        }
    }
    LargerPageCache(const LargerPageCache&) = delete;
    LargerPageCache& operator=(const LargerPageCache&) = delete;

private:
    Database& m_db;
    std::optional<qint64> m_before;
};

void Importer::removeWrittenPhotos()
{
    for (const QString& name : m_writtenPhotos) {
        deletePhoto(m_photoFolder, name);
    }
}

} // namespace

QString newUid()
{
    return QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

Status checkFileBesideBook(const Database& db, const QString& photoFolder, const QString& path)
{
    const QFileInfo target = writtenFile(path);
    const QString book = db.filePath();
    for (const QString& kept : {book, book + QStringLiteral("-journal"),
                                book + QStringLiteral("-wal"), book + QStringLiteral("-shm")}) {
        if (sameFile(target, QFileInfo(kept))) {
            return Status::failure(
                tr("%1 is the address book itself, or a file it needs; choose another file.")
                    .arg(QDir::toNativeSeparators(path)));
        }
    }
    const QString photos = QFileInfo(photoFolder).canonicalFilePath();
    if (!photos.isEmpty() && target.absoluteDir().canonicalPath() == photos) {
        return Status::failure(tr("%1 is in the photo folder, which holds the contacts' "
                                  "photos only; choose another folder.")
                                   .arg(QDir::toNativeSeparators(path)));
    }
    return Status::success();
}

Status storeCardPhotoFile(const CardContact& card, const QString& photoFolder,
                          const QString& scratchFolder, StoredPhoto& stored, QString& leftOut)
{
    const QByteArray& photo = card.photo;
    const QByteArray format = pictureFormat(photo);
    if (format.isEmpty()) {
        leftOut = tr("its PHOTO is not a picture; the contact was imported without it");
        return Status::success();
    }
    // A scratch folder that could not be made has no path: the file would go
    // to the working folder, over (and then away with) a file of its name.
    if (scratchFolder.isEmpty()) {
        return Status::failure(tr("its photo could not be written: no temporary folder"));
    }
    // The name Norvane exported it under, or one made from the contact's name.
    const QString fileName = isPortablePhotoName(card.photoName)
                                 ? card.photoName
                                 : photoFileName(card.contact.name, format);
    const QString scratch = QDir(scratchFolder).filePath(fileName);
    QFile file(scratch);
    if (!file.open(QIODevice::WriteOnly) || !writeWhole(file, photo) || !file.flush()) {
        return Status::failure(tr("its photo could not be written: %1").arg(file.errorString()));
    }
    file.close();
    const Status kept = storePhoto(scratch, photoFolder, stored);
    QFile::remove(scratch);
    return kept;
}

QString fileNameFromName(const QString& name, const QString& fallback, const QString& suffix)
{
    QString base;
    for (const QChar c : name.left(60)) {
        base.append(c.isLetterOrNumber() || c == u' ' || c == u'-' ? c : QChar(u'_'));
    }
    base = base.trimmed();
    if (base.isEmpty()) {
        base = fallback;
    }
    if (isDeviceName(base)) {
        base.append(u'_');
    }
    return base + QLatin1Char('.') + suffix;
}

Status ensureCardTable(Database& db)
{
    return db.execute(
        "CREATE TABLE IF NOT EXISTS tblCard (ID INTEGER PRIMARY KEY REFERENCES tblYou (ID), "
        "UID TEXT UNIQUE, VCARD TEXT);"
        "CREATE TRIGGER IF NOT EXISTS tblCard_goes_with_its_contact AFTER DELETE ON tblYou "
        "BEGIN DELETE FROM tblCard WHERE ID = old.ID; END;");
}

Status importFiles(Database& db, const QString& photoFolder, const QStringList& files,
                   ImportReport& report, const ImportProgress& progress)
{
    report = ImportReport();
    qint64 totalBytes = 0;
    for (const QString& file : files) {
        totalBytes += QFileInfo(file).size();
    }
    const LargerPageCache cache(db);
    if (Status begun = db.execute("BEGIN IMMEDIATE"); !begun.ok()) {
        return begun;
    }
    Importer importer(db, photoFolder, report, progress, totalBytes);
    Status status = ensureCardTable(db);
    if (status.ok()) {
        status = importer.prepare();
    }
    for (qsizetype i = 0; status.ok() && i < files.size(); ++i) {
        status = importer.importFile(files[i]);
    }
    if (status.ok()) {
        status = db.execute("COMMIT");
    }
    if (!status.ok()) {
        db.execute("ROLLBACK");
        importer.removeWrittenPhotos();
        const bool cancelled = report.cancelled;
        report = ImportReport();
        report.cancelled = cancelled;
    }
    return status;
}

namespace {

// A UID given to a contact during an export, stored when the export ends.
struct NewUid
{
    qint64 id = 0;
    QString uid;
    bool hasCardRow = false; // a card row without a UID (an UPDATE, not an INSERT)
};

// Stores the UIDs given during the export, in the export's transaction.
Status storeNewUids(Database& db, const QList<NewUid>& uids)
{
    if (uids.isEmpty()) {
        return Status::success();
    }
    if (Status made = ensureCardTable(db); !made.ok()) {
        return made;
    }
    QString reason;
    Statement insert = db.prepare("INSERT INTO tblCard (ID, UID) VALUES (?1, ?2)", reason);
    Statement update = db.prepare("UPDATE tblCard SET UID = ?2 WHERE ID = ?1", reason);
    if (!insert.isValid() || !update.isValid()) {
        return Status::failure(reason);
    }
    for (const NewUid& given : uids) {
        Statement& write = given.hasCardRow ? update : insert;
        write.reset();
        write.bind(1, given.id);
        write.bind(2, given.uid);
        if (Status written = runToEnd(db, write); !written.ok()) {
            return written;
        }
    }
    return Status::success();
}

// The names of the files in the photo folder in lower case, read once per
// export: most contacts of a large book name a photo that is not there, and
// asking the file system about each one costs more than writing its card.
// Lower case, so that a folder that ignores case finds its files; opening
// the file decides. The export of one contact (a sync sends them one by
// one) lists nothing: its one photo is opened, or not, straight away.
std::optional<QSet<QString>> photoFileNames(const QString& photoFolder)
{
    QSet<QString> names;
    for (const QString& name : QDir(photoFolder).entryList(QDir::Files | QDir::Hidden)) {
        names.insert(name.toLower());
    }
    return names;
}

// The contact's photo to embed in its card; none when it has none or the
// one it names cannot go with it, and then the reason in leftOut, if given.
std::optional<EmbeddedPhoto> photoToEmbed(const QString& photoFolder,
                                          const std::optional<QSet<QString>>& photoFiles,
                                          const QString& profile, QString* leftOut)
{
    const auto without = [leftOut](const auto& reason) {
        if (leftOut) {
            *leftOut = reason();
        }
        return std::nullopt;
    };
    if (profile.isEmpty()) {
        return std::nullopt;
    }
    if (!isPlainPhotoName(profile) || (photoFiles && !photoFiles->contains(profile.toLower()))) {
        return without([] { return tr("not in the photo folder"); });
    }
    QFile file(QDir(photoFolder).filePath(profile));
    const QFileInfo info(file);
    if (!info.exists()) {
        return without([] { return tr("not in the photo folder"); });
    }
    if (info.size() > kLargestPhoto) {
        return without([] { return tr("larger than %1 MB").arg(kLargestPhoto / (1024 * 1024)); });
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return without([&file] { return file.errorString(); });
    }
    EmbeddedPhoto photo{file.readAll(), {}};
    photo.type = QString::fromLatin1(pictureFormat(photo.bytes)).toUpper();
    if (photo.type.isEmpty()) {
        return without([] { return tr("not a picture"); });
    }
    return photo;
}

VCard storedCard(QByteArrayView text)
{
    QByteArray copy = text.toByteArray();
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    VCardReader reader(buffer);
    return reader.next().value_or(VCard());
}

// Whether a card written without a photo from the photo folder keeps the
// inline photo it came with: yes, unless the contact's photo was taken away
// here (it names none, and the card's was a picture Norvane reads, so it had
// been the contact's). A photo Norvane could not read, or whose file went
// missing, is never dropped from the card, nor so from a CardDAV server.
bool keepsInlinePhoto(const VCard& stored, const QString& profile)
{
    const VCardProperty* photo = stored.preferred(QStringLiteral("PHOTO"));
    if (!photo || !photo->isInlineBinary()) {
        return false;
    }
    return !profile.isEmpty() || pictureFormat(photo->binary()).isEmpty();
}

// Whether text stored in the book surely reads as the very same bytes: not
// when it is not UTF-8 (a book written by another program), nor when it
// holds a byte-order mark, which the window's reading drops at a text's
// start. The export writes the texts as the window reads and shows them.
bool readsAsStored(QByteArrayView stored)
{
    return isAscii(stored) ||
           (stored.isValidUtf8() && !stored.contains(QByteArrayView("\xEF\xBB\xBF")));
}

// A row of the export as read from the book.
struct ExportRow
{
    qint64 id = 0;
    ContactUtf8 texts;     // as read: the card is written from them without a conversion
    QByteArray uid;        // in UTF-8; empty when the book holds none
    QByteArray storedText; // the stored card, if any
    bool hasCardRow = false;

    Contact contact() const
    {
        Contact contact;
        contact.id = id;
        for (int column = 1; column < kContactColumnCount; ++column) {
            const auto at = static_cast<ContactColumn>(column);
            contact.text(at) = QString::fromUtf8(texts.text(at));
        }
        return contact;
    }
};

// The export's rows, or the book's cards, in ID order.
Statement exportQuery(Database& db, const char* columns, const char* table,
                      std::optional<qint64> onlyId, QString& reason)
{
    QByteArray sql = QByteArray("SELECT ") + columns + " FROM " + table;
    sql += onlyId ? " WHERE ID = ?1 ORDER BY ID" : " ORDER BY ID";
    Statement rows = db.prepare(sql.constData(), reason);
    if (rows.isValid() && onlyId) {
        rows.bind(1, *onlyId);
    }
    return rows;
}

// Steps the export's rows on the feed's thread (the connection is used by
// no other thread meanwhile), each with its card when the book has cards:
// both come in ID order, and are read side by side rather than looked up
// row by row. ended says whether they were all read.
void feedRows(Database& db, Statement& rows, Statement* cards, Status& ended,
              BatchFeed<ExportRow>& feed)
{
    constexpr std::size_t kRowsInBatch = 1024;
    std::vector<ExportRow> batch;
    bool done = false;
    bool cardsDone = false;
    bool onCard = cards && cards->next(cardsDone);
    while (rows.next(done)) {
        ExportRow& row = batch.emplace_back();
        row.id = rows.integer(0);
        row.texts = ContactUtf8::ofRow(rows);
        if (!readsAsStored(row.texts.bytes())) {
            row.texts = ContactUtf8(row.contact());
        }
        while (onCard && cards->integer(0) < row.id) { // a card without its contact
            onCard = cards->next(cardsDone);
        }
        if (onCard && cards->integer(0) == row.id) {
            row.uid = cards->utf8(1).toByteArray();
            if (!readsAsStored(row.uid)) {
                row.uid = QString::fromUtf8(row.uid).toUtf8();
            }
            row.storedText = cards->utf8(2).toByteArray();
            row.hasCardRow = true;
        }
        if (batch.size() >= kRowsInBatch && !feed.handOver(batch)) {
            return;
        }
    }
    if (!batch.empty() && !feed.handOver(batch)) {
        return;
    }
    const bool cardsRead = !cards || onCard || cardsDone;
    ended = done && cardsRead ? Status::success() : Status::failure(db.lastError());
}

// What every card of one export shares.
struct CardSettings
{
    VCardVersion version;
    QString revision;
    QString photoFolder;
    std::optional<QSet<QString>> photoFiles; // none: each photo is looked for itself
    QList<NewUid>* newUids;                  // where new UIDs go; none: UIDs derived from IDs
    QStringList* photosLeftOut;              // or none
};

void appendCard(QByteArray& bytes, ExportRow& row, const CardSettings& settings)
{
    if (row.uid.isEmpty()) {
        const QString uid = settings.newUids ? newUid() : derivedUid(row.id);
        if (settings.newUids) {
            settings.newUids->append({row.id, uid, row.hasCardRow});
        }
        row.uid = uid.toUtf8();
    }
    const QString profile = QString::fromUtf8(row.texts.text(ContactColumn::Profile));
    QString leftOut;
    const std::optional<EmbeddedPhoto> photo =
        photoToEmbed(settings.photoFolder, settings.photoFiles, profile,
                     settings.photosLeftOut ? &leftOut : nullptr);
    const VCard stored = row.storedText.isEmpty() ? VCard() : storedCard(row.storedText);
    const bool keepsStoredPhoto = !photo && keepsInlinePhoto(stored, profile);
    if (!leftOut.isEmpty()) {
        if (keepsStoredPhoto) {
            leftOut = tr("%1; the card keeps the photo it came with").arg(leftOut);
        }
        settings.photosLeftOut->append(
            QStringLiteral("%1: %2 (%3)")
                .arg(QString::fromUtf8(row.texts.text(ContactColumn::Name)), profile, leftOut));
    }
    if (row.storedText.isEmpty()) {
        appendContactCard(bytes, row.texts, row.uid, photo, settings.version, settings.revision);
    } else {
        appendVCard(bytes, cardForExport(stored, row.contact(), QString::fromUtf8(row.uid), photo,
                                         settings.version, settings.revision, keepsStoredPhoto));
    }
}

// Writes the rows of the export, read on a thread of their own while the
// cards of the rows before are made; a contact without a UID gets a new
// one, listed in newUids, or (without that list) one derived from its ID.
Status writeRows(Database& db, const QString& photoFolder, ExportFormat format, QIODevice& out,
                 std::optional<qint64> onlyId, QList<NewUid>* newUids, QStringList* photosLeftOut)
{
    // CSV holds the six values only: no card is read for it.
    const bool cards = format != ExportFormat::Csv && db.hasTable("tblCard");
    QString reason;
    Statement rows = exportQuery(db, kContactColumnsSql, "tblYou", onlyId, reason);
    Statement cardRows =
        cards ? exportQuery(db, "ID, UID, VCARD", "tblCard", onlyId, reason) : Statement();
    if (!rows.isValid() || (cards && !cardRows.isValid())) {
        return Status::failure(reason);
    }
    const auto write = [&](const QByteArray& bytes) { return writeWhole(out, bytes); };
    if (format == ExportFormat::Csv && !write("\xEF\xBB\xBF" + csvRecord(norvaneCsvHeader()))) {
        return Status::failure(out.errorString());
    }
    const CardSettings settings{
        format == ExportFormat::VCard4 ? VCardVersion::V4 : VCardVersion::V3,
        revisionText(QDateTime::currentDateTimeUtc()),
        photoFolder,
        format == ExportFormat::Csv || onlyId ? std::nullopt : photoFileNames(photoFolder),
        newUids,
        photosLeftOut};
    // Cards are gathered into a buffer and written a block at a time.
    constexpr qsizetype kBlock = 256 * 1024;
    QByteArray bytes;
    Status ended = Status::failure(tr("The export was stopped."));
    BatchFeed<ExportRow> feed([&](BatchFeed<ExportRow>& into) {
        feedRows(db, rows, cards ? &cardRows : nullptr, ended, into);
    });
    bool anyRow = false;
    for (std::vector<ExportRow> batch = feed.next(); !batch.empty();
         batch = feed.next(std::move(batch))) {
        anyRow = true;
        for (ExportRow& row : batch) {
            if (format == ExportFormat::Csv) {
                const Contact c = row.contact();
                bytes += csvRecord({c.name, c.address, c.contact, c.email, c.company, c.profile});
            } else {
                appendCard(bytes, row, settings);
            }
            if (bytes.size() >= kBlock) {
                if (!write(bytes)) {
                    return Status::failure(out.errorString());
                }
                bytes.resize(0);
            }
        }
    }
    if (!write(bytes)) {
        return Status::failure(out.errorString());
    }
    // One contact asked for and none found: it was removed since the caller
    // read the book (by another program). An empty file would pass for it.
    if (ended.ok() && onlyId && !anyRow) {
        return contactGone();
    }
    return ended;
}

// In a table made by another program an ID may be shared by several
// contacts, or missing (NULL, or text where a number belongs, which reads as
// 0): the one selected cannot be told apart by it.
Status checkIdNamesOneContact(Database& db, qint64 id)
{
    qint64 sharing = 0;
    if (Status counted = countRows(db, "SELECT count(*) FROM tblYou WHERE ID = ?1", id, sharing);
        !counted.ok()) {
        return counted;
    }
    if (sharing == 1) {
        return Status::success();
    }
    if (sharing == 0) {
        return Status::failure(
            tr("The selected contact cannot be found by its ID in this table, which another "
               "program made: its ID is missing or not a whole number, or another program "
               "removed the contact. Export all contacts instead."));
    }
    return Status::failure(
        tr("%n contacts share the ID %1 in this table, which another program made: the selected "
           "one cannot be exported alone. Export all contacts instead.",
           "", static_cast<int>(sharing))
            .arg(id));
}

} // namespace

Status exportContacts(Database& db, const QString& photoFolder, ExportFormat format, QIODevice& out,
                      std::optional<qint64> onlyId, QStringList* photosLeftOut)
{
    // A contact without a UID gets one, stored in the same transaction as
    // the reading, so that no contact changes or goes in between; a book
    // that cannot be written exports with UIDs derived from the IDs. A table
    // Norvane writes nothing to (made by another program) may hold two
    // contacts of one ID, or some without: each card gets a new UID, kept
    // nowhere.
    const bool tableWritable = checkContactTableWritable(db).ok();
    if (onlyId && !tableWritable) {
        if (Status one = checkIdNamesOneContact(db, *onlyId); !one.ok()) {
            return one;
        }
    }
    const bool giveUids = format != ExportFormat::Csv && !db.isReadOnly() && tableWritable;
    if (giveUids) {
        if (Status begun = db.execute("BEGIN"); !begun.ok()) {
            return begun;
        }
    }
    QList<NewUid> newUids;
    Status status = writeRows(db, photoFolder, format, out, onlyId,
                              giveUids || !tableWritable ? &newUids : nullptr, photosLeftOut);
    if (giveUids) {
        // The first export of a large book gives every contact its UID.
        std::optional<LargerPageCache> cache;
        if (status.ok() && !newUids.isEmpty()) {
            cache.emplace(db);
            status = storeNewUids(db, newUids);
        }
        if (status.ok()) {
            status = db.execute("COMMIT");
        }
        if (!status.ok()) {
            db.execute("ROLLBACK");
        }
    }
    return status;
}

Status exportContactsToFile(Database& db, const QString& photoFolder, ExportFormat format,
                            const QString& path, std::optional<qint64> onlyId,
                            QStringList* photosLeftOut)
{
    if (Status target = checkFileBesideBook(db, photoFolder, path); !target.ok()) {
        return target;
    }
    const QFileInfo target = writtenFile(path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        // A pipe or a device (/dev/null, a FIFO a reader waits on) is written
        // into, as a shell redirection would: a file renamed over it would
        // take its place, and its permissions are not the export's to set.
        QFile device(path);
        if (!device.open(QIODevice::WriteOnly)) {
            return Status::failure(device.errorString());
        }
        const Status written =
            exportContacts(db, photoFolder, format, device, onlyId, photosLeftOut);
        if (written.ok() && !device.flush()) {
            return Status::failure(device.errorString());
        }
        return written;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        return Status::failure(out.errorString());
    }
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (Status written = exportContacts(db, photoFolder, format, out, onlyId, photosLeftOut);
        !written.ok()) {
        out.cancelWriting();
        return written;
    }
    return commitWhole(out) ? Status::success() : Status::failure(out.errorString());
}

} // namespace norvane
