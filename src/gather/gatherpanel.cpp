#include "gather/gatherpanel.h"

#include "ui/featurehost.h"
#include "ui/panelwidgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace vexa {

GatherPanel &GatherPanel::In(FeatureHost &host)
{
    QGroupBox *frame = host.infoFrame(FeatureHost::InfoGather);
    if (auto *panel = frame->findChild<GatherPanel *>(QString(), Qt::FindDirectChildrenOnly))
        return *panel;
    return *new GatherPanel(host, frame);
}

GatherPanel::GatherPanel(FeatureHost &host, QWidget *frame)
    : QWidget(frame)
{
    setObjectName(QStringLiteral("GatherPanel"));
    PlaceInFrame(frame, this);
    QGridLayout *grid = MakeInfoGrid(this);

    m_fileInfo = MakeInfoLabel(this, "lblGatherFileInfo");
    m_fileInfo->setTextFormat(Qt::PlainText);
    m_fileInfo->setMinimumWidth(1);
    m_fileInfo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    grid->addWidget(m_fileInfo, 0, 0, 1, 7);

    grid->addWidget(MakeInfoLabel(this, "lblInfo11", 607), 1, 0);
    m_proces = MakeInfoLabel(this, "lblGatherProces");
    grid->addWidget(m_proces, 1, 1);
    grid->addWidget(MakeInfoLabel(this, "lblInfo12", 608), 1, 2);
    m_info = MakeInfoLabel(this, "lblGatherInfo");
    grid->addWidget(m_info, 1, 3);
    m_errorCaption = MakeInfoLabel(this, "lblInfo13", 609);
    grid->addWidget(m_errorCaption, 1, 4);
    m_error = MakeInfoLabel(this, "lblGatherError");
    grid->addWidget(m_error, 1, 5);
    m_errorCaption->hide();
    m_error->hide();
    grid->setColumnStretch(6, 1);

    m_estimate = MakeInfoLabel(this, "lblGatherEstimate");
    grid->addWidget(m_estimate, 2, 0, 1, 6);

    QPushButton *cancel = MakeInfoButton(this, QStringLiteral("cmdCancel0"), 508, 1013);
    grid->addWidget(cancel, 1, 6, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    host.addCancelButton(cancel);
}

void GatherPanel::Clear()
{
    for (QLabel *label : { m_fileInfo, m_proces, m_info, m_error, m_estimate })
        label->clear();
    m_error->hide();
    m_errorCaption->hide();
}

void GatherPanel::SetCounters(qint64 position, qint64 fileCount, qint64 processed, qint64 total)
{
    SetLabelNow(
        m_proces, QString::number(position) + QLatin1Char('/') + QString::number(fileCount));
    SetLabelNow(m_info, QString::number(processed) + QLatin1Char('/') + QString::number(total));
}

void GatherPanel::SetFileInfo(const QString &text)
{
    SetLabelNow(m_fileInfo, text);
}

void GatherPanel::SetErrors(qint64 errors)
{
    m_error->setText(QString::number(errors));
    m_error->show();
    m_errorCaption->show();
}

void GatherPanel::SetEstimate(const QString &text)
{
    SetLabelNow(m_estimate, text);
}

}  // namespace vexa
