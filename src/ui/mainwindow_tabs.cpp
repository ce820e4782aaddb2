// Tab switching, the information panels and the deferred relayout.
#include "ui/mainwindow.h"

#include "base/messages.h"
#include "base/texts.h"

#include <QEvent>
#include <QGroupBox>
#include <QLayout>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>

namespace vexa {

void MainWindow::SelectTab(int tab)
{
    if (tab < 0 || tab > 4)
        return;
    {
        const QSignalBlocker blocker(m_tabViewPort);
        m_tabViewPort->setCurrentIndex(tab);
    }
    tabClicked(tab);
}

void MainWindow::tabBarChanged(int index)
{
    if (!m_inTabClick)
        tabClicked(index);
}

void MainWindow::tabClicked(int index)
{
    m_inTabClick = true;
    const bool noDuplicates = !m_duplicateGroups || m_duplicateGroups() == 0;
    if (index == TabDuplicates && noDuplicates) {
        if (m_currentTab == TabDuplicates)
            m_currentTab = TabDatabase;
        Messages().show(Text(724), Text(725), MsgIcon::Information, MsgButtons::Ok);
        const int back = m_currentTab < 0 ? TabDatabase : m_currentTab;
        m_inTabClick = false;
        SelectTab(back);
        return;
    }
    if (index != m_currentTab) {
        runCommand(QStringLiteral("LeaveViewMode"));
        m_currentTab = index;
    }
    m_panels->setCurrentIndex(index);
    m_picTabWindow[size_t(index)]->setVisible(true);
    ShowInfoPanel(index == TabViewer ? InfoViewer : InfoNone);
    for (const auto &hook : m_tabHooks)
        hook(index);
    m_inTabClick = false;
}

void MainWindow::ShowInfoPanel(int index)
{
    if (index == m_infoShown)
        return;
    if (index != InfoNone) {
        m_picInfo->setVisible(true);
        m_fraInfo[size_t(index)]->setVisible(true);
        if (m_infoShown != InfoNone)
            m_fraInfo[size_t(m_infoShown)]->setVisible(false);
    } else {
        if (m_infoShown != InfoNone)
            m_fraInfo[size_t(m_infoShown)]->setVisible(false);
        m_picInfo->setVisible(false);
    }
    m_infoShown = index;
    Relayout();
}

void MainWindow::Relayout()
{
    if (QLayout *layout = centralWidget() ? centralWidget()->layout() : nullptr)
        layout->activate();
    PlaceProgressBar();
    for (const auto &hook : m_relayoutHooks)
        hook();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // A burst of resize events gives one relayout, 300 ms after the last.
    m_responseTimer->stop();
    m_responseTimer->setInterval(300);
    m_responseTimer->start();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) {
        // Restored from the task bar: the caption may still show a run's
        // percentage.
        m_responseTimer->stop();
        m_responseTimer->setInterval(300);
        m_responseTimer->start();
    }
}

void MainWindow::responseTimerTick()
{
    m_responseTimer->stop();
    if (isMaximized())
        Relayout();
    if (!isMinimized()) {
        setWindowTitle(Text(300));
        Relayout();
    }
    if (m_wasMaximised) {
        Relayout();
        m_wasMaximised = false;
    }
    if (isMaximized())
        m_wasMaximised = true;
}

}  // namespace vexa
