#include "gather/memorygather.h"

#include "base/errors.h"
#include "base/paths.h"
#include "gather/decodepool.h"
#include "gather/memorysignatures.h"
#include "signature/imageloader.h"
#include "signature/signaturelib.h"

#include <deque>
#include <memory>

namespace vexa {

namespace {

MemorySignatureEntry entryOf(const QString &path, const DecodedImage &image)
{
    MemorySignatureEntry entry;
    entry.Path = SplitPath(path, true);
    StripTrailingBackslash(entry.Path);
    entry.FileName = SplitPath(path, false);
    entry.FileSize = image.fileSize;
    entry.DimX = image.width;
    entry.DimY = image.height;
    entry.AvgRGB = SetRGBValues(image.average[0], image.average[1], image.average[2]);
    for (int q = 0; q < 4; ++q) {
        const auto &c = image.quadrants[std::size_t(q)];
        entry.QuadRGB[q] = SetRGBValues(c[0], c[1], c[2]);
    }
    MakeBitLong(image.pattern, entry.Pattern1, entry.Pattern2);
    entry.Perceptual = image.perceptual;
    return entry;
}

}  // namespace

MemoryGatherEngine::MemoryGatherEngine(
    MemorySignatureList &list, QStringList files, MemoryGatherOptions options)
    : m_list(list)
    , m_files(std::move(files))
    , m_options(std::move(options))
{
    if (!m_options.decode)
        m_options.decode = DecodeForGathering;
}

RunResult MemoryGatherEngine::run(RunObserver &observer)
{
    m_gathered = 0;
    m_overflow = false;
    RunReporter reporter(observer, m_options.reportIntervalMs);
    RunProgress &p = reporter.progress();
    const auto n = std::int32_t(m_files.size());
    p.total = n;
    reporter.start();
    m_base = m_options.append ? m_list.size() : 0;
    if (n > kMaxMemoryFiles || m_base + n > MemorySignatureList::kMaxEntries) {
        m_overflow = true;
        return reporter.finish(RunResult::failed(0, QStringLiteral("too many files")));
    }
    RunResult result;
    try {
        InitialiseImageLoader();
        if (!m_options.append)
            m_list.clear();
        const int threads = GatherEngine::ResolveThreads(m_options.threads);
        std::unique_ptr<DecodePool> pool;
        if (threads > 1 && n > 1)
            pool = std::make_unique<DecodePool>(threads, m_options.decode);
        // As in gathering: enough queued to keep the workers busy while this
        // thread packs, without holding many results at once.
        const int lookahead = threads * 4;
        std::deque<DecodePool::Ticket> pending;
        std::int32_t submitted = 0;
        for (std::int32_t i = 0; i < n; ++i) {
            p.current = m_files[i];
            DecodedImage image;
            if (pool) {
                while (submitted < n && submitted < i + lookahead)
                    pending.push_back(pool->submit(m_files[submitted++]));
                image = pool->take(pending.front());
                pending.pop_front();
            } else {
                image = m_options.decode(m_files[i]);
            }
            if (image.loaded && image.sampled) {
                m_list.append(entryOf(m_files[i], image));
                ++m_gathered;
            } else {
                ++p.errors;
            }
            p.done = i + 1;
            p.found = m_gathered;
            reporter.report();
            if (i + 1 < n && reporter.cancelled()) {
                result.outcome = RunOutcome::Cancelled;
                break;
            }
        }
        for (const DecodePool::Ticket ticket : pending)
            pool->drop(ticket);
    } catch (const std::exception &e) {
        result = RunResult::failed(e);
    }
    p.current.clear();
    return reporter.finish(result);
}

}  // namespace vexa
