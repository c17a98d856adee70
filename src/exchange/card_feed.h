#pragma once

#include "data/contact_sql.h"
#include "exchange/batch_feed.h"
#include "exchange/card_mapping.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstring>
#include <optional>

namespace norvane {

// A digest of a text (SipHash128 under the process's key), held by value:
// an import looks up one or two of them for every card it reads.
struct TextDigest
{
    std::array<char, 16> bytes{};

    friend bool operator==(const TextDigest&, const TextDigest&) = default;
};

// Its first bytes are as good a hash as any.
inline size_t qHash(const TextDigest& digest, size_t seed = 0) noexcept
{
    size_t hash = 0;
    std::memcpy(&hash, digest.bytes.data(), sizeof hash);
    return hash ^ seed;
}

// What tells two contacts apart on import: a digest of their six texts as
// they are stored.
TextDigest contactDigest(const ContactUtf8& texts);
// What tells two UIDs apart: a digest of one as it is stored.
TextDigest uidDigest(QByteArrayView uid);
// What a sync remembers of a contact's values: a digest of its six texts.
QByteArray contactKey(const Contact& contact);

// The digests that tell a card's contact and UID apart from the others.
struct CardDigests
{
    TextDigest key;    // of the contact's texts
    TextDigest uidKey; // of the UID, when the card has one
};

CardDigests cardDigests(const ContactUtf8& texts, QByteArrayView uid);

// One card of a file, read and mapped: the contact with its key and the card
// as it will be stored, or the reason it was refused.
struct FedCard
{
    std::optional<CardContact> mapped;
    QByteArray cardText; // null for a card Norvane wrote and would write alike
    ContactUtf8 utf8;    // mapped->contact's texts as they are stored (no photo named yet)
    QByteArray uidUtf8;  // mapped->uid as it is stored
    // Made on the feed's thread while the importer has cards waiting, else
    // left to the importer, so that neither thread idles.
    std::optional<CardDigests> digests;
    int line = 0;        // where the card, or what was refused, starts
    QString refused;     // why, when mapped is empty
    qint64 position = 0; // how far the file is read
};

// Reads and maps the cards of a vCard file, on the feed's thread, while the
// importer stores the cards before.
void feedCards(const QString& path, BatchFeed<FedCard>& feed);

} // namespace norvane
