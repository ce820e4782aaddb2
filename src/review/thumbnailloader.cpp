#include "review/thumbnailloader.h"

#include "signature/sharedthumbnails.h"

#include <QThread>
#include <QtConcurrent>

namespace vexa {

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
    m_delivered = 0;
    const quint64 generation = m_generation;
    for (int order = 0; order < requests.size(); ++order) {
        const Request request = requests.at(order);
        // Runs on a worker: decodes only, then posts the picture back.
        (void)QtConcurrent::run(&m_pool, [this, generation, order, request] {
            LoadedImage image;
            LoadSharedThumbnail(request.path, request.box, image);
            QMetaObject::invokeMethod(
                this, [this, generation, order, image] { arrived(generation, order, image); },
                Qt::QueuedConnection);
        });
    }
    if (requests.isEmpty())
        emit finished();
}

void ThumbnailLoader::cancel()
{
    ++m_generation;
    m_pool.clear();
    m_waiting.clear();
    m_requests.clear();
    m_delivered = 0;
}

void ThumbnailLoader::arrived(quint64 generation, int order, const LoadedImage &image)
{
    if (generation != m_generation)
        return;
    m_waiting.insert(order, image);
    while (!m_waiting.isEmpty() && m_waiting.firstKey() == m_delivered) {
        const LoadedImage next = m_waiting.take(m_waiting.firstKey());
        const int index = int(m_delivered++);
        emit decoded(index, m_requests.at(index).tile, next);
        // A slot may have started a new batch or cancelled this one.
        if (generation != m_generation)
            return;
    }
    if (m_delivered == m_requests.size())
        emit finished();
}

}  // namespace vexa
