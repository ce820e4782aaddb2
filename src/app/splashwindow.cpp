#include "app/splashwindow.h"

#include "db/appdatabase.h"
#include "db/settings.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vexa {

namespace {
QString productTitle()
{
    return QStringLiteral("VEXA II");
}
}  // namespace

QString DatabaseVersionText(const QVariant &dbVersion)
{
    const int v = dbVersion.toInt();
    return QStringLiteral("Database Version: %1.%2")
        .arg(v / 100)
        .arg(v % 100, 2, 10, QLatin1Char('0'));
}

SplashWindow::SplashWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setStyleSheet(
        QStringLiteral("#frmSplash { background: #f4f6f9; border: 1px solid #6b7b93; }"
                       "QLabel#lblAppTitle { font-size: 22pt; font-weight: bold; color: #1d3557; }"
                       "QLabel#lblProdName { font-size: 11pt; color: #34495e; }"
                       "QLabel#lblInfo { color: #1d3557; }"
                       "QLabel#lblLegal { color: #6b7b93; font-size: 8pt; }"));

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("imgSplash"));
    m_lblAppTitle = new QLabel(this);
    m_lblAppTitle->setObjectName(QStringLiteral("lblAppTitle"));
    m_lblProdName = new QLabel(this);
    m_lblProdName->setObjectName(QStringLiteral("lblProdName"));
    for (int i = 0; i < 2; ++i) {
        m_lblVersion[i] = new QLabel(this);
        m_lblVersion[i]->setObjectName(QStringLiteral("lblVersion%1").arg(i));
    }
    m_lblLegal = new QLabel(this);
    m_lblLegal->setObjectName(QStringLiteral("lblLegal"));
    m_lblLegal->setWordWrap(true);
    m_lblInfo = new QLabel(this);
    m_lblInfo->setObjectName(QStringLiteral("lblInfo"));
    m_lblInfo->setMinimumWidth(360);
    m_cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setVisible(false);
    connect(m_cmdOk, &QPushButton::clicked, this, &QDialog::accept);

    auto *text = new QVBoxLayout;
    text->addWidget(m_lblAppTitle);
    text->addWidget(m_lblProdName);
    text->addSpacing(8);
    text->addWidget(m_lblVersion[0]);
    text->addWidget(m_lblVersion[1]);
    text->addStretch(1);
    text->addWidget(m_lblLegal);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(18, 18, 18, 14);
    grid->setHorizontalSpacing(18);
    grid->addWidget(m_picture, 0, 0, Qt::AlignTop);
    grid->addLayout(text, 0, 1);
    grid->addWidget(m_lblInfo, 1, 0, 1, 2);
    grid->addWidget(m_cmdOk, 2, 1, Qt::AlignRight);

    load();
}

void SplashWindow::load()
{
    m_picture->setPixmap(QPixmap(QStringLiteral(":/splash/splash.svg"))
                             .scaled(128, 128, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    m_lblInfo->clear();
    m_lblAppTitle->setText(productTitle());
    m_lblProdName->setText(QStringLiteral("Duplicate Image Finder"));
    m_lblVersion[0]->setText(
        QStringLiteral("Version %1.%2").arg(VEXA_VERSION_MAJOR).arg(VEXA_VERSION_MINOR));
    m_lblVersion[1]->setText(QStringLiteral("Build %1").arg(VEXA_VERSION_PATCH));
    m_lblLegal->setText(QStringLiteral(
        "Copyright \u00A9 the VEXA II developers. This program is provided as is, without "
        "warranty of any kind."));
    if (AppDb().isOpen()) {
        m_cmdOk->setVisible(true);
        SetStartupInfo(DatabaseVersionText(GetSystemSetting(QStringLiteral("DBVersion"))));
    }
}

void SplashWindow::SetStartupInfo(const QString &text)
{
    m_lblInfo->setText(text);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString SplashWindow::startupInfo() const
{
    return m_lblInfo->text();
}

bool SplashWindow::isAboutBox() const
{
    return m_cmdOk->isVisibleTo(this);
}

void ShowAboutBox(QWidget *parent)
{
    SplashWindow about(parent);
    about.setWindowModality(Qt::ApplicationModal);
    about.exec();
}

}  // namespace vexa
