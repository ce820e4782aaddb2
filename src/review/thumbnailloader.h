#pragma once

#include "signature/imageloader.h"

#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <optional>

namespace vexa {

// Decodes one group's thumbnails on worker threads and hands them back on the
// owner's thread in request order, so tiles fill from the first to the last.
// Every request first gets what is at hand at once: a thumbnail of the
// desktop's shared cache, which is final, or else the small picture a camera
// stored in the file's EXIF block. Without a cached thumbnail the file is
// then decoded at the reduced scale the box needs (and its thumbnail written
// back to the shared cache), and that final picture follows. All the quick
// pictures of a batch are asked for before any decode, so a screenful of
// camera photographs shows at once. The workers only decode; they touch
// neither the database nor any widget. Owned and called on the interface
// thread.
class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    struct Request {
        int tile = 0;  // tile index, handed back unchanged
        QString path;
        QSize box;  // pixels
    };

    explicit ThumbnailLoader(QObject *parent = nullptr, int threads = 0);
    ~ThumbnailLoader() override;  // drops queued decodes, waits for running ones

    // Replaces any batch still running (its results are never delivered).
    void start(const QList<Request> &requests);
    void cancel();
    bool isRunning() const { return m_delivered < m_requests.size(); }
    // Requests whose final picture (or failure) was handed back.
    int delivered() const { return int(m_delivered); }
    int total() const { return int(m_requests.size()); }

signals:
    // order counts 0..total-1 in request order. A request gets at most one
    // first picture (final false), then exactly one final answer (final
    // true; image.ok false when the file does not decode, which replaces a
    // first picture). First pictures come in request order, and so do final
    // answers; a first picture never follows its request's final answer.
    void decoded(int order, int tile, const vexa::LoadedImage &image, bool final);
    void finished();

private:
    struct Slot {
        bool quickArrived = false;
        bool finalDelivered = false;
        std::optional<LoadedImage> quick;  // the first picture, when there was one
        bool quickIsFinal = false;
        std::optional<LoadedImage> decoded;  // the final decode
    };
    void quickArrived(
        quint64 generation, int order, const std::optional<LoadedImage> &image, bool isFinal);
    void decodeArrived(quint64 generation, int order, const LoadedImage &image);
    void decodeLater(quint64 generation, int order, const Request &request);
    void deliver(quint64 generation);

    QThreadPool m_pool;
    QList<Request> m_requests;
    QList<Slot> m_slots;
    qsizetype m_quickDelivered = 0;  // slots whose first picture was dealt with
    qsizetype m_delivered = 0;  // slots whose final answer was dealt with
    // Read by the workers to drop the work of a replaced batch.
    std::atomic<quint64> m_generation { 0 };
};

}  // namespace vexa
