#include "narration/perceptualscan.h"

#include "signature/perceptualindex.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace vexa {

namespace {

// Records a helper may answer ahead of the scan's source, and how far ahead
// it starts: the scan answers the records just ahead itself, as it needs
// them, so helpers working there would mostly ask the same questions.
constexpr std::int32_t kAhead = 1024;
constexpr std::int32_t kGap = 256;
// Threads answering ahead at most, and the fewest records they are started
// for: below that a query is quick and a thread costs more than it gives.
constexpr unsigned kMostThreads = 8;
constexpr std::int32_t kAskAheadFrom = 2048;
// Matches kept per record answered ahead: a family of thousands of equal
// pictures must not hold thousands a record. One more is kept to tell a cut
// list; a source whose cut list leaves fewer than 65 asks the index itself.
constexpr std::size_t kKept = 2 * std::size_t(kMaxSignatureMatches);

// A query costs the same whatever the run has taken (the index does not
// know), and at a million signatures it is nearly all of the run: so
// threads of their own ask the index for the records just ahead of the
// scan, and the scan takes their answer when it is there and asks itself
// when it is not. It never waits for them, so a record taken before its
// turn costs a helper's time, never the scan's.
class PerceptualScan final : public NarrationScan {
public:
    PerceptualScan(std::vector<NarrationRecord> records, int method, int level, bool anyOrientation)
        : NarrationScan(std::move(records), method, level, anyOrientation)
        , m_index(PerceptualHashesOf(m_records))
        , m_radius(PerceptualBitTolerance(level))
    {
        const unsigned helpers = count() < kAskAheadFrom
            ? 0
            : std::min(std::max(std::thread::hardware_concurrency(), 1u), kMostThreads) - 1;
        if (helpers == 0)
            return;
        m_slots = std::vector<Slot>(std::size_t(kAhead));
        m_taken = std::vector<std::atomic<std::uint64_t>>(std::size_t(count()) / 64 + 1);
        for (unsigned t = 0; t < helpers; ++t) {
            try {
                m_threads.emplace_back([this] { answerAhead(); });
            } catch (const std::system_error &) {
                break;  // the scan asks the index itself for what no helper answers
            }
        }
    }
    ~PerceptualScan() override
    {
        m_stop.store(true, std::memory_order_relaxed);
        for (std::thread &thread : m_threads)
            thread.join();
    }
    PerceptualScan(const PerceptualScan &) = delete;
    PerceptualScan &operator=(const PerceptualScan &) = delete;

protected:
    void searchSignatures(std::int32_t source, std::vector<std::int32_t> &found) override
    {
        m_scanAt.store(source, std::memory_order_relaxed);
        const NarrationRecord &a = m_records[std::size_t(source)];
        if (a.perceptualNull)
            return;
        bool answered = false;
        if (!m_threads.empty()) {
            Slot &slot = m_slots[std::size_t(source % kAhead)];
            const std::lock_guard<std::mutex> lock(slot.lock);
            if (slot.record == source) {
                answered = true;
                m_asked.swap(slot.matches);
            }
        }
        if (!answered)
            m_index.within(a.perceptual, m_radius, m_anyOrientation, m_asked, source);
        if (m_asked.size() > kKept && answered) {
            // Cut: only as far as it goes does the list hold every match.
            if (!take(a, m_asked.data(), m_asked.data() + kKept, found)) {
                found.clear();
                m_index.within(a.perceptual, m_radius, m_anyOrientation, m_asked, source);
                take(a, m_asked.data(), m_asked.data() + m_asked.size(), found);
            }
        } else {
            take(a, m_asked.data(), m_asked.data() + m_asked.size(), found);
        }
        // Helpers need not answer the records taken here.
        if (!m_taken.empty()) {
            for (const std::int32_t c : found) {
                m_taken[std::size_t(c) >> 6].fetch_or(
                    std::uint64_t(1) << (std::uint32_t(c) & 63), std::memory_order_relaxed);
            }
        }
    }
    void searchQuick(std::int32_t, std::vector<std::int32_t> &) override { }

private:
    // One record's later matches, answered by a helper (record -1: none).
    struct Slot {
        std::mutex lock;
        std::int32_t record = -1;
        std::vector<std::int32_t> matches;
    };

    // The first 65 of the matches [from, to) the run may still take; true
    // when there were 65.
    bool take(const NarrationRecord &a, const std::int32_t *from, const std::int32_t *to,
        std::vector<std::int32_t> &found) const
    {
        for (; from != to; ++from) {
            const std::int32_t c = *from;
            if (isProcessed(c) || m_records[std::size_t(c)].perceptualNull
                || notDuplicate(a, m_records[std::size_t(c)]))
                continue;
            found.push_back(c);
            if (int(found.size()) >= kMaxSignatureMatches)
                return true;
        }
        return false;
    }

    bool taken(std::int32_t record) const
    {
        return m_taken[std::size_t(record) >> 6].load(std::memory_order_relaxed)
            >> (std::uint32_t(record) & 63)
            & 1;
    }

    // A helper: claims the next record past the scan's source that no
    // helper has claimed, within kAhead of it, and answers it into its slot.
    // A record's slot is free again once the scan has passed the record
    // kAhead before it, which no helper claims past.
    void answerAhead()
    {
        std::vector<std::int32_t> found;
        try {
            while (!m_stop.load(std::memory_order_relaxed)) {
                const std::int32_t scanAt = m_scanAt.load(std::memory_order_relaxed);
                std::int32_t next = m_nextAsk.load(std::memory_order_relaxed);
                std::int32_t want;
                do {
                    want = std::max(next, scanAt + kGap);
                } while (!m_nextAsk.compare_exchange_weak(next, want + 1));
                if (want >= count())
                    return;
                if (want >= scanAt + kAhead) {
                    // Far enough ahead: the claim is given back by the
                    // next claim's jump past the scan.
                    m_nextAsk.store(want, std::memory_order_relaxed);
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    continue;
                }
                const NarrationRecord &a = m_records[std::size_t(want)];
                if (a.perceptualNull || taken(want))
                    continue;
                m_index.within(a.perceptual, m_radius, m_anyOrientation, found, want);
                if (found.size() > kKept + 1)
                    found.resize(kKept + 1);
                Slot &slot = m_slots[std::size_t(want % kAhead)];
                const std::lock_guard<std::mutex> lock(slot.lock);
                slot.record = want;
                slot.matches.swap(found);
            }
        } catch (...) {
            // The scan asks the index itself for whatever is not answered.
        }
    }

    PerceptualIndex m_index;
    int m_radius;
    std::vector<Slot> m_slots;  // record r answered in slot r % kAhead
    std::vector<std::atomic<std::uint64_t>> m_taken;  // a bit per record found by the scan
    std::atomic<std::int32_t> m_scanAt { 0 };  // the scan's current source
    std::atomic<std::int32_t> m_nextAsk { 0 };  // the first record no helper claimed
    std::atomic<bool> m_stop { false };
    std::vector<std::int32_t> m_asked;  // the current source's matches
    std::vector<std::thread> m_threads;
};

}  // namespace

std::vector<PerceptualHash> PerceptualHashesOf(const std::vector<NarrationRecord> &records)
{
    std::vector<PerceptualHash> hashes;
    hashes.reserve(records.size());
    for (const NarrationRecord &r : records)
        hashes.push_back(r.perceptual);
    return hashes;
}

std::unique_ptr<NarrationScan> MakePerceptualScan(
    std::vector<NarrationRecord> records, int method, int toleranceLevel, bool anyOrientation)
{
    return std::make_unique<PerceptualScan>(
        std::move(records), method, toleranceLevel, anyOrientation);
}

}  // namespace vexa
