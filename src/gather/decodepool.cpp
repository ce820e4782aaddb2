#include "gather/decodepool.h"

#include <algorithm>

namespace vexa {

DecodePool::DecodePool(int threads, DecodeFunction decode)
    : m_decode(std::move(decode))
{
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { workerLoop(); });
}

DecodePool::~DecodePool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    for (std::thread &t : m_threads)
        t.join();
}

DecodePool::Ticket DecodePool::submit(const QString &path)
{
    Ticket ticket;
    {
        std::lock_guard lock(m_mutex);
        ticket = m_next++;
        m_queue.push_back({ ticket, path });
        ++m_outstanding;
    }
    m_wake.notify_one();
    return ticket;
}

DecodedImage DecodePool::take(Ticket ticket)
{
    std::unique_lock lock(m_mutex);
    m_ready.wait(lock, [&] { return m_results.count(ticket) != 0; });
    auto it = m_results.find(ticket);
    DecodedImage result = std::move(it->second);
    m_results.erase(it);
    --m_outstanding;
    return result;
}

void DecodePool::drop(Ticket ticket)
{
    std::lock_guard lock(m_mutex);
    const auto queued = std::find_if(
        m_queue.begin(), m_queue.end(), [&](const Job &job) { return job.ticket == ticket; });
    if (queued != m_queue.end()) {
        m_queue.erase(queued);
        --m_outstanding;
    } else if (m_results.erase(ticket) != 0) {
        --m_outstanding;
    } else {
        m_discard.push_back(ticket);
    }
}

int DecodePool::outstanding() const
{
    std::lock_guard lock(m_mutex);
    return m_outstanding;
}

// Runs on a worker: the decode function only.
void DecodePool::workerLoop()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        DecodedImage result;
        try {
            result = m_decode(job.path);
        } catch (...) {
            result = DecodedImage {};  // a decoder that throws counts as a file that did not load
        }
        {
            std::lock_guard lock(m_mutex);
            const auto discard = std::find(m_discard.begin(), m_discard.end(), job.ticket);
            if (discard != m_discard.end()) {
                m_discard.erase(discard);
                --m_outstanding;
                continue;
            }
            m_results.emplace(job.ticket, std::move(result));
        }
        m_ready.notify_all();
    }
}

}  // namespace vexa
