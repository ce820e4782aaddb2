#pragma once

#include <QWidget>

class QLabel;

namespace vexa {

class FeatureHost;

// The narration panel inside the host's fraInfo(2): records to compare,
// compared, groups found, the estimate and cmdCancel(1). Interface thread
// only.
class NarrationPanel : public QWidget {
    Q_OBJECT
public:
    // The panel in the host's narration frame, built there on first use.
    static NarrationPanel &In(FeatureHost &host);

    void SetCounters(qint64 toCompare, qint64 compared, qint64 found);
    void SetEstimate(const QString &text);

private:
    explicit NarrationPanel(FeatureHost &host, QWidget *frame);

    QLabel *m_total = nullptr;
    QLabel *m_done = nullptr;
    QLabel *m_found = nullptr;
    QLabel *m_estimate = nullptr;
};

}  // namespace vexa
