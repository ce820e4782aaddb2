// The progress bar over the status text, the status text, and the counters of
// the gathering and narration panels.
#include "ui/mainwindow.h"

#include "base/environment.h"
#include "base/progresstexts.h"
#include "base/rounding.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace vexa {

namespace {

constexpr qint64 kProgressMaximum = 32000;

void SetNow(QLabel *label, const QString &text)
{
    label->setText(text);
    // Runs let events through only between files, so show it at once.
    label->repaint();
}

}  // namespace

void MainWindow::SetStatusbarInfoText(const QString &text)
{
    m_statusText->setText(text);
    statusBar()->repaint();
}

QString MainWindow::statusbarInfoText() const
{
    return m_statusText->text();
}

void MainWindow::InitialiseProgressBar(qint64 startValue, qint64 total)
{
    (void)startValue;  // the bar always starts empty
    if (total == 0)
        return;
    m_progressTotal = total;
    m_progressScale = total > kProgressMaximum ? float(kProgressMaximum) / float(total) : 1.0f;
    m_progressBar->setMinimum(0);
    m_progressBar->setMaximum(int(total > kProgressMaximum ? kProgressMaximum : total));
    m_progressBar->setValue(0);
    PlaceProgressBar();
    m_progressBar->show();
}

void MainWindow::SetProgressBarValue(qint64 count)
{
    if (count > m_progressTotal)
        return;
    const int value = int(RoundHalfEven(double(float(count) * float(m_progressScale))));
    m_progressBar->setValue(qBound(m_progressBar->minimum(), value, m_progressBar->maximum()));
    if (isMinimized()) {
        const QString caption
            = PercentCompleteText(m_progressBar->value(), m_progressBar->maximum());
        if (caption != windowTitle())
            setWindowTitle(caption);
    }
    PlaceProgressBar();
}

void MainWindow::PlaceProgressBar()
{
    const int left = int(RoundHalfEven(40.0 / Env().twipsPerPixelX));
    const int top = int(RoundHalfEven(20.0 / Env().twipsPerPixelY));
    const QRect panel = m_statusPanel->rect();
    m_progressBar->setGeometry(
        left, top, qMax(1, panel.width() - 2 * left), qMax(1, panel.height() - 2 * top));
    m_progressBar->raise();
}

void MainWindow::HideProgressBar()
{
    m_progressBar->hide();
}

void MainWindow::ClearGatherInfo()
{
    for (QLabel *label : { m_lblGatherFileInfo, m_lblGatherProces, m_lblGatherInfo,
             m_lblGatherError, m_lblGatherEstimate })
        label->clear();
    m_lblGatherError->hide();
    m_lblGatherErrorCaption->hide();
}

void MainWindow::SetGatherCounters(
    qint64 position, qint64 fileCount, qint64 processed, qint64 total)
{
    SetNow(m_lblGatherProces,
        QString::number(position) + QLatin1Char('/') + QString::number(fileCount));
    SetNow(m_lblGatherInfo, QString::number(processed) + QLatin1Char('/') + QString::number(total));
}

void MainWindow::SetGatherFileInfo(const QString &text)
{
    SetNow(m_lblGatherFileInfo, text);
}

void MainWindow::SetGatherError(qint64 errors)
{
    m_lblGatherError->setText(QString::number(errors));
    m_lblGatherError->show();
    m_lblGatherErrorCaption->show();
}

void MainWindow::SetGatherEstimate(const QString &text)
{
    SetNow(m_lblGatherEstimate, text);
}

void MainWindow::SetNarrationCounters(qint64 toCompare, qint64 compared, qint64 found)
{
    SetNow(m_lblNarrationTotal, QString::number(toCompare));
    SetNow(m_lblNarrationDone, QString::number(compared));
    SetNow(m_lblNarrationFound, QString::number(found));
}

void MainWindow::SetNarrationEstimate(const QString &text)
{
    SetNow(m_lblNarrationEstimate, text);
}

}  // namespace vexa
