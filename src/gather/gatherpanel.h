#pragma once

#include <QWidget>

class QLabel;

namespace vexa {

class FeatureHost;

// The gathering panel inside the host's fraInfo(1): the file in hand, the
// directory's and the run's counters, the error count (shown from the first
// error on), the estimate and cmdCancel(0). Interface thread only.
class GatherPanel : public QWidget {
    Q_OBJECT
public:
    // The panel in the host's gathering frame, built there on first use.
    static GatherPanel &In(FeatureHost &host);

    void Clear();
    void SetCounters(qint64 position, qint64 fileCount, qint64 processed, qint64 total);
    void SetFileInfo(const QString &text);
    void SetErrors(qint64 errors);
    void SetEstimate(const QString &text);

private:
    explicit GatherPanel(FeatureHost &host, QWidget *frame);

    QLabel *m_fileInfo = nullptr;
    QLabel *m_proces = nullptr;
    QLabel *m_info = nullptr;
    QLabel *m_error = nullptr;
    QLabel *m_errorCaption = nullptr;  // lblInfo(13)
    QLabel *m_estimate = nullptr;
};

}  // namespace vexa
