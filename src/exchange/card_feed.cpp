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
    }
    return fed;
}

// Makes the batch's stored forms here unless the importer waits for cards.
bool handOverBatch(std::vector<FedCard>& batch, BatchFeed<FedCard>& feed)
{
    if (!feed.isDrained()) {
        for (FedCard& fed : batch) {
            if (fed.mapped) {
                fed.stored = storedForm(*fed.mapped);
                fed.hasStored = true;
            }
        }
    }
    return feed.handOver(batch);
}

// One hash for each thread, reset for each digest: making one allocates.
QCryptographicHash& resetHash()
{
    thread_local QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.reset();
    return hash;
}

TextDigest digestOf(QCryptographicHash& hash)
{
    TextDigest digest;
    const QByteArrayView result = hash.resultView();
    std::memcpy(digest.bytes.data(), result.data(), digest.bytes.size());
    return digest;
}

} // namespace

TextDigest contactDigest(const ContactUtf8& texts)
{
    // The bytes and where each text starts, so that no two ways of cutting
    // the same bytes into six texts give one digest.
    QCryptographicHash& hash = resetHash();
    hash.addData(texts.bytes());
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(texts.starts().data()),
                                sizeof(texts.starts())));
    return digestOf(hash);
}

TextDigest uidDigest(QByteArrayView uid)
{
    QCryptographicHash& hash = resetHash();
    hash.addData(uid);
    return digestOf(hash);
}

StoredForm storedForm(const CardContact& mapped)
{
    StoredForm stored;
    stored.utf8 = ContactUtf8(mapped.contact);
    stored.key = contactDigest(stored.utf8);
    if (!mapped.uid.isEmpty()) {
        stored.uidUtf8 = mapped.uid.toUtf8();
        stored.uidKey = uidDigest(stored.uidUtf8);
    }
    return stored;
}

QByteArray contactKey(const Contact& contact)
{
    // The texts' UTF-16 as it is, each closed by a unit no text holds. A sync
    // keeps these keys from run to run: how they are made must not change.
    QCryptographicHash hash(QCryptographicHash::Sha1);
    constexpr char16_t kEnd = u'\xFFFF';
    for (int column = 1; column < kContactColumnCount; ++column) {
        const QString& text = contact.text(static_cast<ContactColumn>(column));
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(&kEnd), sizeof kEnd));
    }
    return hash.result();
}

void feedCards(const QString& path, BatchFeed<FedCard>& feed)
{
    QFile file(path);
    std::vector<FedCard> batch;
    if (!file.open(QIODevice::ReadOnly)) {
        FedCard& failed = batch.emplace_back();
        failed.line = 1;
        failed.refused = QCoreApplication::translate("BookExchange", "cannot be read: %1")
                             .arg(file.errorString());
        feed.handOver(batch);
        return;
    }
    VCardReader reader(file);
    qsizetype batchBytes = 0;
    while (true) {
        const std::optional<VCard> card = reader.next();
        if (!card && reader.atEnd()) {
            break;
        }
        if (card) {
            batch.push_back(feedCard(*card, reader.cardBytes(), file.pos()));
            const FedCard& fed = batch.back();
            batchBytes += fed.cardText.size() + (fed.mapped ? fed.mapped->photo.size() : 0);
        } else {
            FedCard& refused = batch.emplace_back();
            refused.line = reader.errorLine();
            refused.refused = reader.error();
            refused.position = file.pos();
        }
        if (batch.size() >= kCardsInBatch || batchBytes >= kBytesInBatch) {
            if (!handOverBatch(batch, feed)) {
                return;
            }
            batchBytes = 0;
        }
    }
    if (!batch.empty()) {
        handOverBatch(batch, feed);
    }
}

} // namespace norvane
