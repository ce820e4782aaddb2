#pragma once

#include "gather/gatherengine.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace vexa {

// Runs the decode function on a few worker threads and hands the results back
// in whatever order the owner asks for them. The workers run the decode
// function only; they never touch the database or the interface. Every
// member is called on the owning thread.
class DecodePool {
public:
    using Ticket = long long;

    DecodePool(int threads, DecodeFunction decode);
    ~DecodePool();  // drops the queue and waits for running decodes
    DecodePool(const DecodePool &) = delete;
    DecodePool &operator=(const DecodePool &) = delete;

    Ticket submit(const QString &path);
    // Waits for the ticket's result and forgets the ticket.
    DecodedImage take(Ticket ticket);
    // Forgets a ticket whose result is no longer wanted.
    void drop(Ticket ticket);
    // Submitted and neither taken nor dropped.
    int outstanding() const;

private:
    struct Job {
        Ticket ticket = 0;
        QString path;
    };

    void workerLoop();

    DecodeFunction m_decode;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_ready;
    std::deque<Job> m_queue;
    std::unordered_map<Ticket, DecodedImage> m_results;
    std::vector<Ticket> m_discard;  // running jobs whose result is not wanted
    std::vector<std::thread> m_threads;
    Ticket m_next = 0;
    int m_outstanding = 0;
    bool m_stopping = false;
};

}  // namespace vexa
