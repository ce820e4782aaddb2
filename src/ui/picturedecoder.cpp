#include "ui/picturedecoder.h"

#include "base/diskpath.h"
#include "signature/sharedthumbnails.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>

namespace vexa {

namespace {

// The picture on screen goes before the ones decoded ahead.
constexpr int kShownPriority = 1;
constexpr int kAheadPriority = 0;

}  // namespace

PictureDecoder::PictureDecoder(QObject *parent)
    : QObject(parent)
{
    // One decode for the picture asked for and one ahead of the user.
    m_pool.setMaxThreadCount(std::clamp(QThread::idealThreadCount(), 1, 2));
    InitialiseImageLoader();
}

PictureDecoder::~PictureDecoder()
{
    for (const auto &stop : std::as_const(m_inFlight))
        stop->store(true);
    m_pool.waitForDone();
}

PictureDecoder::Key PictureDecoder::keyFor(const QString &fullName, const QSize &box)
{
    const DiskStat info = StatOnDisk(fullName);
    return Key { fullName, box, info.modifiedNs, info.size };
}

const LoadedImage *PictureDecoder::cached(const Key &key) const
{
    for (const Cached &entry : m_cache) {
        if (entry.key == key)
            return &entry.image;
    }
    return nullptr;
}

void PictureDecoder::remember(const Key &key, const LoadedImage &image)
{
    m_cache.removeIf([&key](const Cached &entry) { return entry.key == key; });
    m_cache.prepend(Cached { key, image });
    while (m_cache.size() > kCacheSize)
        m_cache.removeLast();
}

quint64 PictureDecoder::request(const QString &fullName, const QSize &box)
{
    const quint64 ticket = ++m_ticket;
    m_wanted = keyFor(fullName, box);
    m_waiting = true;
    // Whatever was queued for an earlier request is no longer worth a
    // decode; one already running finishes into the cache.
    for (auto it = m_inFlight.cbegin(); it != m_inFlight.cend(); ++it)
        it.value()->store(!(it.key() == m_wanted));
    if (const LoadedImage *image = cached(m_wanted)) {
        const LoadedImage copy = *image;
        remember(m_wanted, copy);
        QMetaObject::invokeMethod(
            this,
            [this, ticket, fullName, copy] {
                if (ticket == m_ticket && m_waiting)
                    deliver(ticket, fullName, copy);
            },
            Qt::QueuedConnection);
    } else if (!m_inFlight.contains(m_wanted)) {
        start(m_wanted, kShownPriority);
    }
    return ticket;
}

void PictureDecoder::prefetch(const QString &fullName, const QSize &box)
{
    const Key key = keyFor(fullName, box);
    if (cached(key))
        return;
    if (const auto found = m_inFlight.constFind(key); found != m_inFlight.cend()) {
        found.value()->store(false);
        return;
    }
    start(key, kAheadPriority);
}

void PictureDecoder::cancel()
{
    ++m_ticket;
    m_waiting = false;
    for (const auto &stop : std::as_const(m_inFlight))
        stop->store(true);
}

void PictureDecoder::forget(const QString &fullName)
{
    m_cache.removeIf([&fullName](const Cached &entry) { return entry.key.fullName == fullName; });
}

void PictureDecoder::start(const Key &key, int priority)
{
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_inFlight.insert(key, stop);
    // Runs on a worker: decodes only, then posts the picture back. A decode
    // nobody wants any more by the time a thread takes it is skipped.
    m_pool.start(
        [this, key, stop] {
            LoadedImage image;
            const bool skipped = stop->load();
            if (!skipped)
                LoadSharedThumbnail(key.fullName, key.box, image);
            QMetaObject::invokeMethod(
                this, [this, key, image, skipped] { arrived(key, image, skipped); },
                Qt::QueuedConnection);
        },
        priority);
}

void PictureDecoder::arrived(const Key &key, const LoadedImage &image, bool skipped)
{
    m_inFlight.remove(key);
    const bool wanted = m_waiting && key == m_wanted;
    if (skipped) {
        // Skipped just before it was asked for again.
        if (wanted)
            start(key, kShownPriority);
        return;
    }
    remember(key, image);
    if (wanted)
        deliver(m_ticket, key.fullName, image);
}

void PictureDecoder::deliver(quint64 ticket, const QString &fullName, const LoadedImage &image)
{
    m_waiting = false;
    emit decoded(ticket, fullName, image);
}

}  // namespace vexa
