#pragma once

#include "data/vector_state.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace norvane {

// Hands batches of items from a thread of its own, which makes them, to the
// thread that uses them: reading a file or a table on one core while the
// other stores or writes what was read. A few batches wait at most, so
// memory stays bounded whatever the size of the whole.
template <class Item> class BatchFeed
{
public:
    using Batch = std::vector<Item>;

    // make runs on the feed's thread; it hands its batches over and stops
    // when handOver() says nobody listens any more.
    explicit BatchFeed(std::function<void(BatchFeed&)> make)
        : m_thread([this, make = std::move(make)] {
              clearUpperVectorState();
              make(*this);
              {
                  const std::lock_guard lock(m_mutex);
                  m_finished = true;
              }
              m_changed.notify_all();
          })
    {
    }

    ~BatchFeed()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    BatchFeed(const BatchFeed&) = delete;
    BatchFeed& operator=(const BatchFeed&) = delete;

    // The next batch, in order; empty once the maker has finished. The batch
    // before is given back, to be freed on the thread that made it: freeing
    // another thread's memory makes both wait on the heap.
    Batch next(Batch used = {})
    {
        std::unique_lock lock(m_mutex);
        if (!m_finished && !used.empty()) {
            m_used.push_back(std::move(used));
        }
        m_changed.wait(lock, [this] { return m_finished || !m_waiting.empty(); });
        if (m_waiting.empty()) {
            return {};
        }
        Batch batch = std::move(m_waiting.front());
        m_waiting.pop_front();
        lock.unlock();
        m_changed.notify_all();
        return batch;
    }

    // Called by the maker: true when every batch handed over has been taken,
    // so that the thread using them keeps up and could do more of the work.
    bool isDrained()
    {
        const std::lock_guard lock(m_mutex);
        return m_waiting.empty();
    }

    // Called by the maker: hands a batch over (leaving it empty), waiting
    // while enough wait; false when nobody listens any more.
    bool handOver(Batch& batch)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stopped || m_waiting.size() < kWaiting; });
        if (m_stopped) {
            return false;
        }
        m_waiting.push_back(std::move(batch));
        batch.clear();
        std::vector<Batch> used = std::move(m_used);
        m_used.clear();
        lock.unlock();
        m_changed.notify_all();
        return true; // the used batches are freed here, on the maker's thread
    }

private:
    static constexpr std::size_t kWaiting = 4;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_waiting;
    std::vector<Batch> m_used;
    bool m_finished = false;
    bool m_stopped = false;
    std::thread m_thread; // last: it starts once everything above is made
};

} // namespace norvane
