#pragma once

#include "signature/imageloader.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>

namespace vexa {

// Decodes one group's thumbnails on worker threads, at the reduced scale the
// thumbnail box needs (or reads them from the desktop's shared thumbnail
// cache, and writes them back there), and hands them back on the owner's thread strictly in
// request order, so tiles fill from the first to the last. The workers only
// decode; they touch neither the database nor any widget. Owned and called
// on the interface thread.
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
    int delivered() const { return int(m_delivered); }
    int total() const { return int(m_requests.size()); }

signals:
    // order counts 0..total-1 in request order.
    void decoded(int order, int tile, const vexa::LoadedImage &image);
    void finished();

private:
    void arrived(quint64 generation, int order, const LoadedImage &image);

    QThreadPool m_pool;
    QList<Request> m_requests;
    QMap<int, LoadedImage> m_waiting;  // arrived ahead of an earlier one
    qsizetype m_delivered = 0;
    quint64 m_generation = 0;
};

}  // namespace vexa
