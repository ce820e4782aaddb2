#include "ui/helpwindow.h"

#include "base/captionwalk.h"
#include "base/errors.h"
#include "base/textids.h"
#include "base/texts.h"
#include "ui/helpcontexts.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vexa {

namespace {

QPointer<HelpWindow> g_helpWindow;

QPushButton *Button(QWidget *parent, const char *name, int textId)
{
    auto *button = new QPushButton(QString::number(textId), parent);
    button->setObjectName(QLatin1String(name));
    SetTextIds(button, textId);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

QString HelpPageTitle(const QString &resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    static const QRegularExpression title(QStringLiteral("<title>(.*?)</title>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = title.match(QString::fromUtf8(file.readAll()));
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_langOffset(LangOffset())
{
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    SetTextIds(this, 1956);

    m_cmdContents = Button(this, "cmdHelpContents", 1957);
    m_cmdBack = Button(this, "cmdHelpBack", 1958);
    m_cmdForward = Button(this, "cmdHelpForward", 1959);
    m_lblFind = new QLabel(QStringLiteral("1961"), this);
    m_lblFind->setObjectName(QStringLiteral("lblHelpFind"));
    SetTextIds(m_lblFind, 1961);
    m_txtFind = new QLineEdit(this);
    m_txtFind->setObjectName(QStringLiteral("txtHelpFind"));
    m_txtFind->setClearButtonEnabled(true);
    m_lblFind->setBuddy(m_txtFind);
    m_cmdFindNext = Button(this, "cmdHelpFindNext", 1962);
    m_cmdFindPrevious = Button(this, "cmdHelpFindPrevious", 1963);

    m_lstContents = new QListWidget(this);
    m_lstContents->setObjectName(QStringLiteral("lstHelpContents"));
    const QString folder = HelpFolder(m_langOffset);
    for (const char *page : HelpPages()) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(page);
        auto *item = new QListWidgetItem(HelpPageTitle(path), m_lstContents);
        item->setData(Qt::UserRole, QUrl(QStringLiteral("qrc") + path));
    }
    m_txtHelp = new QTextBrowser(this);
    m_txtHelp->setObjectName(QStringLiteral("txtHelp"));
    m_txtHelp->setOpenExternalLinks(false);
    m_txtHelp->setSearchPaths({ folder });

    auto *bar = new QHBoxLayout;
    for (QWidget *widget : { static_cast<QWidget *>(m_cmdContents),
             static_cast<QWidget *>(m_cmdBack), static_cast<QWidget *>(m_cmdForward) })
        bar->addWidget(widget);
    bar->addSpacing(16);
    bar->addWidget(m_lblFind);
    bar->addWidget(m_txtFind, 1);
    bar->addWidget(m_cmdFindNext);
    bar->addWidget(m_cmdFindPrevious);
    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_lstContents);
    splitter->addWidget(m_txtHelp);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({ 200, 600 });
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);

    m_cmdBack->setEnabled(false);
    m_cmdForward->setEnabled(false);
    connect(m_cmdContents, &QPushButton::clicked, this, [this] { showTopic(0); });
    connect(m_cmdBack, &QPushButton::clicked, m_txtHelp, &QTextBrowser::backward);
    connect(m_cmdForward, &QPushButton::clicked, m_txtHelp, &QTextBrowser::forward);
    connect(m_txtHelp, &QTextBrowser::backwardAvailable, m_cmdBack, &QWidget::setEnabled);
    connect(m_txtHelp, &QTextBrowser::forwardAvailable, m_cmdForward, &QWidget::setEnabled);
    connect(m_txtHelp, &QTextBrowser::sourceChanged, this, &HelpWindow::sourceChanged);
    connect(m_lstContents, &QListWidget::itemActivated, this,
        [this](QListWidgetItem *item) { m_txtHelp->setSource(item->data(Qt::UserRole).toUrl()); });
    connect(m_lstContents, &QListWidget::itemClicked, this,
        [this](QListWidgetItem *item) { m_txtHelp->setSource(item->data(Qt::UserRole).toUrl()); });
    connect(m_txtFind, &QLineEdit::returnPressed, this, [this] { findInPage(m_txtFind->text()); });
    connect(
        m_txtFind, &QLineEdit::textEdited, this, [this] { m_txtFind->setStyleSheet(QString()); });
    connect(m_cmdFindNext, &QPushButton::clicked, this, [this] { findInPage(m_txtFind->text()); });
    connect(m_cmdFindPrevious, &QPushButton::clicked, this,
        [this] { findInPage(m_txtFind->text(), true); });

    try {
        LocaliseWindow(this);
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("frmHelp"), QStringLiteral("Form_Load"));
    }
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize available = screen->availableGeometry().size();
        resize(std::min(900, available.width()), std::min(680, available.height()));
    }
}

QUrl HelpWindow::source() const
{
    return m_txtHelp->source();
}

void HelpWindow::showTopic(int contextId)
{
    const QUrl url = HelpUrl(contextId, m_langOffset);
    if (m_txtHelp->source().adjusted(QUrl::RemoveFragment) == url.adjusted(QUrl::RemoveFragment)
        && !url.fragment().isEmpty())
        m_txtHelp->scrollToAnchor(url.fragment());
    m_txtHelp->setSource(url);
}

void HelpWindow::sourceChanged(const QUrl &url)
{
    const QUrl page = url.adjusted(QUrl::RemoveFragment);
    for (int row = 0; row < m_lstContents->count(); ++row) {
        if (m_lstContents->item(row)->data(Qt::UserRole).toUrl() == page) {
            m_lstContents->setCurrentRow(row);
            break;
        }
    }
    m_txtFind->setStyleSheet(QString());
}

bool HelpWindow::findInPage(const QString &text, bool backward)
{
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags
        = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = m_txtHelp->find(text, flags);
    if (!found) {
        // Once round: from the other end of the page.
        QTextCursor cursor = m_txtHelp->textCursor();
        cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        m_txtHelp->setTextCursor(cursor);
        found = m_txtHelp->find(text, flags);
    }
    m_txtFind->setStyleSheet(
        found ? QString() : QStringLiteral("QLineEdit { background: #f6c6c6; }"));
    return found;
}

HelpWindow *ShowHelp(int contextId)
{
    if (g_helpWindow && g_helpWindow->langOffset() != LangOffset()) {
        // Made again in the new language; the old one goes once it is idle.
        HelpWindow *old = g_helpWindow;
        g_helpWindow = nullptr;
        old->hide();
        old->deleteLater();
    }
    if (!g_helpWindow)
        g_helpWindow = new HelpWindow;
    HelpWindow *window = g_helpWindow;
    // Over a modal dialog only a modal window takes input; over the main
    // window the help stays beside it.
    QWidget *modal = QApplication::activeModalWidget();
    const bool needModal = modal && modal != window;
    if (needModal != (window->windowModality() != Qt::NonModal)) {
        window->hide();
        window->setWindowModality(needModal ? Qt::ApplicationModal : Qt::NonModal);
    }
    window->showTopic(contextId);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

HelpWindow *ShowHelpFor(const QWidget *focused, const QWidget *window)
{
    return ShowHelp(HelpContextIdOf(focused ? focused : window));
}

HelpWindow *OpenHelpWindow()
{
    return g_helpWindow;
}

}  // namespace vexa
