// The progress bar over the status text, and the status text.
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

}  // namespace vexa
