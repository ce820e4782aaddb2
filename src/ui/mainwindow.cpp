#include "ui/mainwindow.h"

#include "base/captionwalk.h"
#include "base/errors.h"
#include "base/messages.h"
#include "base/textids.h"
#include "base/texts.h"
#include "ui/panelwidgets.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace vexa {

namespace {

constexpr char kModule[] = "frmVEXA";

// fraInfo(index), titled by its text id.
QGroupBox *MakeInfoFrame(QWidget *parent, int index, int textId)
{
    auto *frame = new QGroupBox(QString::number(textId), parent);
    frame->setObjectName(QStringLiteral("fraInfo%1").arg(index));
    SetTextIds(frame, textId);
    return frame;
}

}  // namespace

MainWindow::MainWindow()
{
    setObjectName(QStringLiteral("frmVEXAII"));
    SetTextIds(this, 300);
    setWindowTitle(QStringLiteral("300"));
    setMinimumSize(576, 432);

    buildMenus();
    buildToolbar();
    buildTabs();
    buildInfoPanels();
    buildStatusBar();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(0);
    layout->addWidget(m_tabViewPort);
    layout->addWidget(m_panels, 1);
    layout->addSpacing(4);
    layout->addWidget(m_picInfo);
    setCentralWidget(central);

    m_responseTimer = new QTimer(this);
    m_responseTimer->setObjectName(QStringLiteral("ResponseTimer0"));
    m_responseTimer->setSingleShot(true);
    connect(m_responseTimer, &QTimer::timeout, this, &MainWindow::responseTimerTick);

    // Keys reach the window before the control with the focus, as the
    // thumbnail navigation expects.
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
}

void MainWindow::buildTabs()
{
    m_tabViewPort = new QTabBar(this);
    m_tabViewPort->setObjectName(QStringLiteral("tabViewPort"));
    m_tabViewPort->setExpanding(false);
    m_tabViewPort->setDrawBase(true);
    m_panels = new QStackedWidget(this);
    m_panels->setObjectName(QStringLiteral("picTabWindowStack"));
    m_panels->setFrameShape(QFrame::StyledPanel);
    for (int i = 0; i < 5; ++i) {
        m_tabViewPort->addTab(QString::number(550 + i));
        SetTabTextIds(m_tabViewPort, i, 550 + i, 1028 + i);
        auto *panel = new QWidget(m_panels);
        panel->setObjectName(QStringLiteral("picTabWindow%1").arg(i));
        m_picTabWindow[size_t(i)] = panel;
        m_panels->addWidget(panel);
    }
    connect(m_tabViewPort, &QTabBar::currentChanged, this, &MainWindow::tabBarChanged);
}

QGroupBox *MainWindow::buildViewerPanel()
{
    QGroupBox *frame = MakeInfoFrame(m_picInfo, 0, 651);
    auto *row = new QHBoxLayout(frame);
    const char *names[3] = { "cmdView", "cmdPrevious", "cmdNext" };
    for (int i = 0; i < 3; ++i) {
        QPushButton *button = MakeInfoButton(frame, QLatin1String(names[i]), 505 + i, 1014 + i);
        button->setEnabled(false);  // the disk image viewer enables them
        m_viewerButtons[size_t(i)] = button;
        row->addWidget(button);
    }
    row->addStretch(1);
    return frame;
}

void MainWindow::buildInfoPanels()
{
    m_picInfo = new QWidget(this);
    m_picInfo->setObjectName(QStringLiteral("picInfo"));
    auto *layout = new QVBoxLayout(m_picInfo);
    layout->setContentsMargins(0, 0, 0, 0);
    m_fraInfo[0] = buildViewerPanel();
    // Gathering and narration fill their own frames.
    m_fraInfo[1] = MakeInfoFrame(m_picInfo, 1, 652);
    m_fraInfo[2] = MakeInfoFrame(m_picInfo, 2, 653);
    for (QGroupBox *frame : m_fraInfo) {
        layout->addWidget(frame);
        frame->hide();
    }
    m_picInfo->hide();
}

void MainWindow::addCancelButton(QAbstractButton *button)
{
    connect(button, &QAbstractButton::clicked, this, [this] { m_cancel = true; });
}

QPushButton *MainWindow::cancelButton(int index) const
{
    return findChild<QPushButton *>(QStringLiteral("cmdCancel%1").arg(index));
}

void MainWindow::restoreAfterRun()
{
    if (isMinimized() && !m_monitoring) {
        showNormal();
        Relayout();
    }
}

void MainWindow::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    m_statusPanel = new QWidget(bar);
    m_statusPanel->setObjectName(QStringLiteral("StatusPanel4"));
    auto *layout = new QHBoxLayout(m_statusPanel);
    layout->setContentsMargins(4, 0, 4, 0);
    m_statusText = new QLabel(m_statusPanel);
    m_statusText->setObjectName(QStringLiteral("StatusText"));
    m_statusText->setTextFormat(Qt::PlainText);
    m_statusText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_statusText);
    bar->addWidget(m_statusPanel, 1);

    // The bar lies over the status text while a run is in progress.
    m_progressBar = new QProgressBar(m_statusPanel);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar"));
    m_progressBar->setTextVisible(false);
    m_progressBar->hide();
}

QLabel *MainWindow::gatherLabel(const char *name) const
{
    return findChild<QLabel *>(QLatin1String(name));
}

void MainWindow::setCommandHandler(const QString &command, std::function<void()> handler)
{
    m_handlers.insert(command, std::move(handler));
    // Items held back for want of this handler come alive, under the
    // state rules of the moment.
    bool revived = false;
    for (auto it = m_commandOf.cbegin(); it != m_commandOf.cend(); ++it) {
        if (it.value() == command && m_dead.remove(it.key())) {
            it.key()->setEnabled(true);
            revived = true;
        }
    }
    if (revived)
        SetCommandStates(m_running || m_editing);
}

void MainWindow::setAboutHandler(std::function<void()> handler)
{
    m_aboutHandler = std::move(handler);
    if (QAction *about = action(QStringLiteral("mnuHelpAbout")); about && m_dead.remove(about))
        SetCommandStates(m_running || m_editing);
}

void MainWindow::addLoadHook(std::function<void()> hook)
{
    m_loadHooks.append(std::move(hook));
}

void MainWindow::addTabHook(std::function<void(int)> hook)
{
    m_tabHooks.append(std::move(hook));
}

void MainWindow::addReopenHook(std::function<void()> hook)
{
    m_reopenHooks.append(std::move(hook));
}

void MainWindow::addRelayoutHook(std::function<void()> hook)
{
    m_relayoutHooks.append(std::move(hook));
}

void MainWindow::addNavigateKeysHandler(std::function<void(QKeyEvent *)> handler)
{
    m_navigateKeys.append(std::move(handler));
}

void MainWindow::setDuplicateCounters(std::function<int()> groups, std::function<int()> saved)
{
    m_duplicateGroups = std::move(groups);
    m_savedDuplicates = std::move(saved);
}

QWidget *MainWindow::tabPanel(int tab) const
{
    return tab >= 0 && tab < 5 ? m_picTabWindow[size_t(tab)] : nullptr;
}

QGroupBox *MainWindow::infoFrame(int panel) const
{
    return panel >= 0 && panel < 3 ? m_fraInfo[size_t(panel)] : nullptr;
}

void MainWindow::Load()
{
    m_firstActivation = true;
    try {
        LocaliseWindow(this);
    } catch (const std::exception &e) {
        ReportException(e, QLatin1String(kModule), QStringLiteral("Form_Load"));
    }
    applyWindowLimits();
    SetCommandStates(false);
    Relayout();
    for (const auto &hook : m_loadHooks)
        hook();
    m_loaded = true;
}

void MainWindow::applyWindowLimits()
{
    if (QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QSize available = screen->availableGeometry().size();
        setMaximumSize(available.expandedTo(minimumSize()));
    }
}

void MainWindow::firstActivation()
{
    m_firstActivation = false;
    const int index = CurrentPriorityIndex();
    for (int i = 0; i < 4; ++i) {
        if (QAction *item = action(QStringLiteral("mnuPriorityValue%1").arg(i)))
            item->setChecked(i == index);
    }
    Relayout();
    SelectTab(TabDatabase);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_firstActivation && m_loaded)
        firstActivation();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        Messages().show(Text(713), Text(714), MsgIcon::Exclamation, MsgButtons::Ok);
        event->ignore();
        return;
    }
    // The tray icon goes with the monitor.
    if (m_monitoring)
        runCommand(QStringLiteral("StopMonitor"));
    if (const auto handler = m_handlers.value(QStringLiteral("Unload")))
        handler();
    event->accept();
}

void MainWindow::rememberModifiers(QKeyEvent *event)
{
    m_shiftDown = event->modifiers().testFlag(Qt::ShiftModifier);
    m_ctrlDown = event->modifiers().testFlag(Qt::ControlModifier);
}

bool MainWindow::handleKeyPress(QKeyEvent *event)
{
    rememberModifiers(event);
    if (event->key() == Qt::Key_F1) {
        runCommand(QStringLiteral("HelpContext"));
        return true;
    }
    const int key = event->key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return false;
    for (const auto &handler : m_navigateKeys) {
        event->ignore();
        handler(event);
        if (event->isAccepted())
            return true;
    }
    return false;
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    const bool keyPress = event->type() == QEvent::KeyPress;
    if (keyPress || event->type() == QEvent::KeyRelease) {
        // A key event goes to the control with the focus first and then to
        // its parents; only its first delivery counts.
        QWidget *focus = QApplication::focusWidget();
        auto *widget = qobject_cast<QWidget *>(watched);
        const bool first = widget && (focus ? widget == focus : widget == this);
        if (first && widget->window() == this) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (!keyPress) {
                rememberModifiers(key);
                return false;
            }
            if (handleKeyPress(key))
                return true;
            key->setAccepted(true);  // let the control have it as usual
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    QMainWindow::keyPressEvent(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent *event)
{
    QMainWindow::keyReleaseEvent(event);
}

}  // namespace vexa
