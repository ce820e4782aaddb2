#pragma once

#include "signature/imageloader.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace vexa {

// Decodes the pictures a viewer shows on worker threads, at the size they
// are shown (a reduced JPEG decode where the box allows it), so the window
// never waits for a decoder. The latest request wins: a result that arrives
// for an earlier one is kept in the cache but never delivered. Neighbours
// the user is likely to page to can be decoded ahead into the same small
// cache. Owned and called on the interface thread; the workers only decode
// and touch no widget.
class PictureDecoder : public QObject {
    Q_OBJECT
public:
    explicit PictureDecoder(QObject *parent = nullptr);
    ~PictureDecoder() override;  // drops queued decodes, waits for running ones

    // Asks for fullName (a stored name) fitted into box (pixels). The answer
    // comes as decoded() with the returned ticket, also when it was cached,
    // and never before this call returns.
    quint64 request(const QString &fullName, const QSize &box);
    // Decodes fullName into the cache while nothing else is asked; nothing
    // is delivered.
    void prefetch(const QString &fullName, const QSize &box);
    // No answer is delivered for the requests made so far.
    void cancel();
    // Forgets cached pictures of this name (renamed, deleted or rewritten).
    void forget(const QString &fullName);

    // True while the latest request has not been answered.
    bool isWaiting() const { return m_waiting; }
    // Decodes running or queued, prefetches included.
    int decodesInFlight() const { return int(m_inFlight.size()); }

    // Pictures kept for paging back and forth.
    static constexpr int kCacheSize = 4;

signals:
    void decoded(quint64 ticket, const QString &fullName, const vexa::LoadedImage &image);

private:
    struct Key {
        QString fullName;
        QSize box;
        qint64 modifiedNs = 0;  // a rewritten file is a new picture
        qint64 size = 0;
        bool operator==(const Key &other) const
        {
            return fullName == other.fullName && box == other.box && modifiedNs == other.modifiedNs
                && size == other.size;
        }
    };
    friend size_t qHash(const Key &key, size_t seed)
    {
        return qHashMulti(seed, key.fullName, key.box.width(), key.box.height(), key.modifiedNs);
    }
    struct Cached {
        Key key;
        LoadedImage image;
    };

    static Key keyFor(const QString &fullName, const QSize &box);
    const LoadedImage *cached(const Key &key) const;
    void remember(const Key &key, const LoadedImage &image);
    void start(const Key &key, int priority);
    void arrived(const Key &key, const LoadedImage &image, bool skipped);
    void deliver(quint64 ticket, const QString &fullName, const LoadedImage &image);

    QThreadPool m_pool;
    QList<Cached> m_cache;  // most recently used first
    // Decodes started, by what they decode, with the flag that makes a
    // queued one skip its work.
    QHash<Key, std::shared_ptr<std::atomic<bool>>> m_inFlight;
    Key m_wanted;  // what the latest request waits for
    quint64 m_ticket = 0;
    bool m_waiting = false;
};

}  // namespace vexa
