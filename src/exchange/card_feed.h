#pragma once

#include "exchange/batch_feed.h"
#include "exchange/card_mapping.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace norvane {

// What tells two contacts apart on import: a digest of their six texts.
QByteArray contactKey(const Contact& contact);

// One card of a file, read and mapped: the contact with its key and the card
// as it will be stored, or the reason it was refused.
struct FedCard
{
    std::optional<CardContact> mapped;
    QByteArray cardText; // null for a card Norvane wrote and would write alike
    QByteArray key;      // of mapped->contact as read (no photo named yet)
    int line = 0;        // where the card, or what was refused, starts
    QString refused;     // why, when mapped is empty
    qint64 position = 0; // how far the file is read
};

// Reads and maps the cards of a vCard file, on the feed's thread, while the
// importer stores the cards before: reading and storing each take about
// half of an import.
void feedCards(const QString& path, BatchFeed<FedCard>& feed);

} // namespace norvane
