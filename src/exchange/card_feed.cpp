#include "exchange/card_feed.h"

#include "exchange/vcard.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>

namespace norvane {

namespace {

// A batch ends after this many cards or bytes of cards, whichever comes first.
constexpr std::size_t kCardsInBatch = 512;
constexpr qsizetype kBytesInBatch = 4 * 1024 * 1024;

// The card Norvane writes for the card's contact, when the card could be
// that very card, nothing more: then an export writes it again from the
// columns alike (REV and PRODID it writes anew in any case), and the book
// need not keep its text.
std::optional<QByteArray> ownCardFor(const VCard& card, const CardContact& mapped,
                                     qsizetype sizeHint)
{
    const QString version = card.version();
    const VCardProperty* revision = card.first(QStringLiteral("REV"));
    if (!revision || mapped.uid.isEmpty() || !mapped.photo.isEmpty() ||
        (version != u"4.0" && version != u"3.0")) {
        return std::nullopt;
    }
    QByteArray own;
    own.reserve(sizeHint + 64);
    appendContactCard(own, mapped.contact, mapped.uid, std::nullopt,
                      version == u"4.0" ? VCardVersion::V4 : VCardVersion::V3, revision->value);
    return own;
}

// bytes are the card as it stood in the file: when they are Norvane's own
// card byte for byte, writing the card again to compare is not needed.
FedCard feedCard(const VCard& card, QByteArrayView bytes, qint64 position)
{
    FedCard fed;
    fed.line = card.line;
    fed.position = position;
    fed.mapped = contactFromCard(card, fed.refused);
    if (fed.mapped) {
        const std::optional<QByteArray> own = ownCardFor(card, *fed.mapped, bytes.size());
        if (!own || *own != bytes) {
            fed.cardText = writeVCard(card);
            if (own && *own == fed.cardText) {
                fed.cardText = QByteArray();
            }
        }
        fed.key = contactDigest(fed.mapped->contact);
        fed.utf8 = contactUtf8(fed.mapped->contact);
        if (!fed.mapped->uid.isEmpty()) {
            fed.uidKey = uidDigest(fed.mapped->uid);
            fed.uidUtf8 = fed.mapped->uid.toUtf8();
        }
    }
    return fed;
}

TextDigest digestOf(QCryptographicHash& hash)
{
    TextDigest digest;
    const QByteArrayView result = hash.resultView();
    std::memcpy(digest.bytes.data(), result.data(), digest.bytes.size());
    return digest;
}

QByteArrayView utf16Bytes(const QString& text)
{
    return {reinterpret_cast<const char*>(text.utf16()), text.size() * 2};
}

} // namespace

TextDigest contactDigest(const Contact& contact)
{
    // The texts' UTF-16 as it is, each closed by a unit no text holds.
    QCryptographicHash hash(QCryptographicHash::Sha1);
    constexpr char16_t kEnd = u'\xFFFF';
    for (int column = 1; column < kContactColumnCount; ++column) {
        hash.addData(utf16Bytes(contact.text(static_cast<ContactColumn>(column))));
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(&kEnd), sizeof kEnd));
    }
    return digestOf(hash);
}

QByteArray contactKey(const Contact& contact)
{
    const TextDigest digest = contactDigest(contact);
    return QByteArray(digest.bytes.data(), digest.bytes.size());
}

TextDigest uidDigest(const QString& uid)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(utf16Bytes(uid));
    return digestOf(hash);
}

namespace {

// A card as read from the file, before it is mapped; or what was refused.
struct ReadCard
{
    std::optional<VCard> card;
    QByteArray bytes; // the card's bytes as read, when the reader kept them
    int line = 0;
    QString refused;
    qint64 position = 0; // how far the file is read
};

// Hands a batch over when it is full; false when nobody listens any more.
template <class Item>
bool handOverWhenFull(BatchFeed<Item>& feed, std::vector<Item>& batch, qsizetype& batchBytes)
{
    if (batch.size() < kCardsInBatch && batchBytes < kBytesInBatch) {
        return true;
    }
    batchBytes = 0;
    return feed.handOver(batch);
}

// Reads the cards of the file, on a thread of its own.
void readCards(const QString& path, BatchFeed<ReadCard>& feed)
{
    QFile file(path);
    std::vector<ReadCard> batch;
    if (!file.open(QIODevice::ReadOnly)) {
        ReadCard& failed = batch.emplace_back();
        failed.line = 1;
        failed.refused = QCoreApplication::translate("BookExchange", "cannot be read: %1")
                             .arg(file.errorString());
        feed.handOver(batch);
        return;
    }
    VCardReader reader(file);
    qsizetype batchBytes = 0;
    while (true) {
        const qint64 before = file.pos();
        std::optional<VCard> card = reader.next();
        if (!card && reader.atEnd()) {
            break;
        }
        // What the card takes in memory grows with what it took in the file.
        batchBytes += file.pos() - before;
        if (card) {
            batch.push_back({std::move(card), reader.cardBytes().toByteArray(), 0, {}, file.pos()});
        } else {
            batch.push_back({std::nullopt, {}, reader.errorLine(), reader.error(), file.pos()});
        }
        if (!handOverWhenFull(feed, batch, batchBytes)) {
            return;
        }
    }
    if (!batch.empty()) {
        feed.handOver(batch);
    }
}

} // namespace

void feedCards(const QString& path, BatchFeed<FedCard>& feed)
{
    BatchFeed<ReadCard> read([path](BatchFeed<ReadCard>& into) { readCards(path, into); });
    std::vector<FedCard> batch;
    qsizetype batchBytes = 0;
    for (std::vector<ReadCard> cards = read.next(); !cards.empty();
         cards = read.next(std::move(cards))) {
        for (const ReadCard& item : cards) {
            if (item.card) {
                batch.push_back(feedCard(*item.card, item.bytes, item.position));
                const FedCard& fed = batch.back();
                batchBytes += fed.cardText.size() + (fed.mapped ? fed.mapped->photo.size() : 0);
            } else {
                FedCard& refused = batch.emplace_back();
                refused.line = item.line;
                refused.refused = item.refused;
                refused.position = item.position;
            }
            if (!handOverWhenFull(feed, batch, batchBytes)) {
                return;
            }
        }
    }
    if (!batch.empty()) {
        feed.handOver(batch);
    }
}

} // namespace norvane
