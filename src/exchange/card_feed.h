#pragma once

#include "exchange/card_mapping.h"

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

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

// Reads and maps the cards of a vCard file on a thread of its own, a batch
// at a time, while the importer stores the cards before: reading and
// storing each take about half of an import. A few batches wait at most,
// so memory stays bounded whatever the file's size.
class CardFeed
{
public:
    explicit CardFeed(const QString& path);
    ~CardFeed();
    CardFeed(const CardFeed&) = delete;
    CardFeed& operator=(const CardFeed&) = delete;

    // The next batch, in the file's order; empty once the file is read. The
    // batch before is handed back, to be freed on the reading thread that
    // made it: freeing another thread's memory makes both wait on the heap.
    std::vector<FedCard> next(std::vector<FedCard> used = {});

private:
    void read(const QString& path);
    // Hands a batch over, waiting while enough are waiting; false when the
    // importer stopped listening.
    bool handOver(std::vector<FedCard>& batch);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<FedCard>> m_waiting;
    std::vector<std::vector<FedCard>> m_used;
    bool m_finished = false;
    bool m_stopped = false;
    std::thread m_thread;
};

} // namespace norvane
