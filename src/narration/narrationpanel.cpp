#include "narration/narrationpanel.h"

#include "ui/featurehost.h"
#include "ui/panelwidgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace vexa {

NarrationPanel &NarrationPanel::In(FeatureHost &host)
{
    QGroupBox *frame = host.infoFrame(FeatureHost::InfoNarration);
    if (auto *panel = frame->findChild<NarrationPanel *>(QString(), Qt::FindDirectChildrenOnly))
        return *panel;
    return *new NarrationPanel(host, frame);
}

NarrationPanel::NarrationPanel(FeatureHost &host, QWidget *frame)
    : QWidget(frame)
{
    setObjectName(QStringLiteral("NarrationPanel"));
    PlaceInFrame(frame, this);
    QGridLayout *grid = MakeInfoGrid(this);
    grid->addWidget(MakeInfoLabel(this, "lblInfo20", 610), 0, 0);
    m_total = MakeInfoLabel(this, "lblNarTotal");
    grid->addWidget(m_total, 0, 1);
    grid->addWidget(MakeInfoLabel(this, "lblInfo21", 611), 1, 0);
    m_done = MakeInfoLabel(this, "lblNarDone");
    grid->addWidget(m_done, 1, 1);
    grid->addWidget(MakeInfoLabel(this, "lblInfo22", 612), 2, 0);
    m_found = MakeInfoLabel(this, "lblNarFound");
    grid->addWidget(m_found, 2, 1);
    m_estimate = MakeInfoLabel(this, "lblNarEstimate");
    grid->addWidget(m_estimate, 3, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    QPushButton *cancel = MakeInfoButton(this, QStringLiteral("cmdCancel1"), 509, 1012);
    grid->addWidget(cancel, 0, 3, 4, 1, Qt::AlignRight | Qt::AlignVCenter);
    host.addCancelButton(cancel);
}

void NarrationPanel::SetCounters(qint64 toCompare, qint64 compared, qint64 found)
{
    SetLabelNow(m_total, QString::number(toCompare));
    SetLabelNow(m_done, QString::number(compared));
    SetLabelNow(m_found, QString::number(found));
}

void NarrationPanel::SetEstimate(const QString &text)
{
    SetLabelNow(m_estimate, text);
}

}  // namespace vexa
