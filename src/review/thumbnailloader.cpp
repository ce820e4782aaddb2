#include "review/thumbnailloader.h"

#include "signature/sharedthumbnails.h"

#include <QThread>
#include <QtConcurrent>

namespace vexa {
namespace {

// What a request shows before any decode: a cached thumbnail (final: the
// cache checked it against the file's modification time), or the file's
// embedded one fitted in the box. That one is never final: programs that
// edit a photograph often keep its EXIF block, thumbnail and all, so an
// edited copy would show its original's picture, in the very view where
// the user tells copies apart. Nothing when neither is there. Runs on a
// worker.
std::optional<LoadedImage> quickPicture(const ThumbnailLoader::Request &request, bool &isFinal)
{
    LoadedImage image;
    isFinal = true;
    if (LoadCachedThumbnail(request.path, request.box, image))
        return image;
    isFinal = false;
    if (!LoadEmbeddedThumbnail(request.path, image))
        return std::nullopt;
    if (image.picture.width() > request.box.width()
        || image.picture.height() > request.box.height())
        image.picture
            = image.picture.scaled(request.box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

}  // namespace

ThumbnailLoader::ThumbnailLoader(QObject *parent, int threads)
    : QObject(parent)
{
    m_pool.setMaxThreadCount(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()));
    InitialiseImageLoader();
}

ThumbnailLoader::~ThumbnailLoader()
{
    cancel();
    m_pool.waitForDone();
}

void ThumbnailLoader::start(const QList<Request> &requests)
{
    cancel();
    m_requests = requests;
    m_slots = QList<Slot>(requests.size());
    const quint64 generation = m_generation;
    // The pool runs in queue order: every quick picture before any decode.
    for (int order = 0; order < requests.size(); ++order) {
        const Request request = requests.at(order);
        (void)QtConcurrent::run(&m_pool, [this, generation, order, request] {
            if (m_generation != generation)
                return;
            bool isFinal = false;
            const std::optional<LoadedImage> image = quickPicture(request, isFinal);
            QMetaObject::invokeMethod(
                this,
                [this, generation, order, image, isFinal] {
                    quickArrived(generation, order, image, isFinal);
                },
                Qt::QueuedConnection);
            if (!image || !isFinal)
                decodeLater(generation, order, request);
        });
    }
    if (requests.isEmpty())
        emit finished();
}

// Queued behind the quick pictures asked for so far. Any thread.
void ThumbnailLoader::decodeLater(quint64 generation, int order, const Request &request)
{
    (void)QtConcurrent::run(&m_pool, [this, generation, order, request] {
        if (m_generation != generation)
            return;
        LoadedImage image;
        LoadSharedThumbnail(request.path, request.box, image);
        QMetaObject::invokeMethod(
            this, [this, generation, order, image] { decodeArrived(generation, order, image); },
            Qt::QueuedConnection);
    });
}

void ThumbnailLoader::cancel()
{
    ++m_generation;
    m_pool.clear();
    m_requests.clear();
    m_slots.clear();
    m_quickDelivered = 0;
    m_delivered = 0;
}

void ThumbnailLoader::quickArrived(
    quint64 generation, int order, const std::optional<LoadedImage> &image, bool isFinal)
{
    if (generation != m_generation)
        return;
    Slot &slot = m_slots[order];
    slot.quickArrived = true;
    slot.quick = image;
    slot.quickIsFinal = image && isFinal;
    deliver(generation);
}

void ThumbnailLoader::decodeArrived(quint64 generation, int order, const LoadedImage &image)
{
    if (generation != m_generation)
        return;
    m_slots[order].decoded = image;
    deliver(generation);
}

void ThumbnailLoader::deliver(quint64 generation)
{
    // A slot may start a new batch or cancel this one: after every signal the
    // generation is checked and nothing of this batch is touched again.
    while (m_quickDelivered < m_slots.size() && m_slots.at(m_quickDelivered).quickArrived) {
        const int order = int(m_quickDelivered++);
        Slot &slot = m_slots[order];
        if (!slot.quick)
            continue;
        const LoadedImage image = *slot.quick;
        slot.quick.reset();
        if (slot.quickIsFinal)
            slot.finalDelivered = true;
        emit decoded(order, m_requests.at(order).tile, image, slot.quickIsFinal);
        if (generation != m_generation)
            return;
    }
    // Final answers in order, never ahead of their request's first picture.
    while (m_delivered < m_quickDelivered) {
        const int order = int(m_delivered);
        Slot &slot = m_slots[order];
        if (slot.finalDelivered) {
            ++m_delivered;
            continue;
        }
        if (!slot.decoded)
            break;
        const LoadedImage image = *slot.decoded;
        slot.decoded.reset();
        slot.finalDelivered = true;
        ++m_delivered;
        emit decoded(order, m_requests.at(order).tile, image, true);
        if (generation != m_generation)
            return;
    }
    // Every request has had its answer: nothing of the batch is left to arrive.
    if (m_delivered == m_slots.size())
        emit finished();
}

}  // namespace vexa
