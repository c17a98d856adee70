#include "exchange/card_feed.h"

#include "exchange/card_mapping.h"
#include "exchange/sip_hash.h"
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
std::optional<QByteArray> ownCardFor(const VCard& card, const FedCard& fed)
{
    const QString version = card.version();
    const VCardProperty* revision = card.first(QStringLiteral("REV"));
    if (!revision || fed.uidUtf8.isEmpty() || !fed.mapped->photo.isEmpty() ||
        (version != u"4.0" && version != u"3.0")) {
        return std::nullopt;
    }
    QByteArray own;
    appendContactCard(own, fed.utf8, fed.uidUtf8, std::nullopt,
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
    if (isGroupCard(card)) {
        fed.refused =
            QCoreApplication::translate("CardMapping", "a group of contacts, not a contact");
        return fed;
    }
    fed.mapped = contactFromCard(card, fed.refused);
    if (fed.mapped) {
        fed.utf8 = ContactUtf8(fed.mapped->contact);
        fed.uidUtf8 = fed.mapped->uid.toUtf8();
        const std::optional<QByteArray> own = ownCardFor(card, fed);
        if (!own || *own != bytes) {
            fed.cardText = writeVCard(card);
            if (own && *own == fed.cardText) {
                fed.cardText = QByteArray();
            }
        }
    }
    return fed;
}

// Makes the batch's digests here unless the importer waits for cards.
bool handOverBatch(std::vector<FedCard>& batch, BatchFeed<FedCard>& feed)
{
    if (!feed.isDrained()) {
        for (FedCard& fed : batch) {
            if (fed.mapped) {
                fed.digests = cardDigests(fed.utf8, fed.uidUtf8);
            }
        }
    }
    return feed.handOver(batch);
}

} // namespace

TextDigest contactDigest(const ContactUtf8& texts)
{
    // The bytes and where each text starts, so that no two ways of cutting
    // the same bytes into six texts give one digest.
    SipHash128 hash = SipHash128::underProcessKey();
    hash.add(texts.bytes());
    hash.add(QByteArrayView(reinterpret_cast<const char*>(texts.starts().data()),
                            sizeof(texts.starts())));
    return {hash.result()};
}

TextDigest uidDigest(QByteArrayView uid)
{
    SipHash128 hash = SipHash128::underProcessKey();
    hash.add(uid);
    return {hash.result()};
}

CardDigests cardDigests(const ContactUtf8& texts, QByteArrayView uid)
{
    return {contactDigest(texts), uid.isEmpty() ? TextDigest() : uidDigest(uid)};
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
