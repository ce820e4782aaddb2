#include "ui/webinfodialog.h"

#include "base/captionwalk.h"
#include "base/errors.h"
#include "base/messages.h"
#include "base/textids.h"
#include "base/texts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace vexa {

AddressLabel::AddressLabel(const QString &address, QWidget *parent)
    : QLabel(address, parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
    setPalette(palette);
}

void AddressLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void AddressLabel::keyPressEvent(QKeyEvent *event)
{
    // Reachable without a mouse: Space or Enter on the focused address.
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return
        || event->key() == Qt::Key_Enter) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

namespace {

QLabel *Caption(QWidget *parent, const char *name, int textId, bool wrap)
{
    auto *label = new QLabel(QString::number(textId), parent);
    label->setObjectName(QLatin1String(name));
    SetTextIds(label, textId);
    label->setWordWrap(wrap);
    return label;
}

}  // namespace

WebInfoDialog::WebInfoDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmWebInfo"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(6);
    QLabel *heading = Caption(this, "lblWebInfo", 900, false);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    m_lblBugAddress = new AddressLabel(QLatin1String(kBugReportAddress), this);
    m_lblBugAddress->setObjectName(QStringLiteral("lblBugAddress"));
    m_lblHomeAddress = new AddressLabel(QLatin1String(kHomePageAddress), this);
    m_lblHomeAddress->setObjectName(QStringLiteral("lblHomeAddress"));
    const struct {
        const char *frame;
        int title;
        const char *text;
        int textId;
        AddressLabel *address;
    } blocks[] = {
        { "fraBugReport", 901, "lblBugReport", 902, m_lblBugAddress },
        { "fraWebsite", 903, "lblWebsite", 904, m_lblHomeAddress },
    };
    for (const auto &block : blocks) {
        auto *frame = new QGroupBox(QString::number(block.title), this);
        frame->setObjectName(QLatin1String(block.frame));
        SetTextIds(frame, block.title);
        auto *inner = new QVBoxLayout(frame);
        inner->addWidget(Caption(frame, block.text, block.textId, true));
        block.address->setParent(frame);
        inner->addWidget(block.address);
        layout->addWidget(frame);
    }

    m_cmdOk = new QPushButton(QStringLiteral("950"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    SetTextIds(m_cmdOk, 950);
    m_cmdOk->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOk);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(m_cmdOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_lblHomeAddress, &AddressLabel::clicked, this,
        [] { Messages().show(Text(702), Text(703), MsgIcon::None, MsgButtons::Ok); });
    connect(m_lblBugAddress, &AddressLabel::clicked, this,
        [] { Messages().show(Text(704), Text(705), MsgIcon::None, MsgButtons::Ok); });

    try {
        LocaliseWindow(this);
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("frmWebInfo"), QStringLiteral("Form_Load"));
    }
    // Titled by its menu item, without the access key.
    setWindowTitle(Text(242).remove(QLatin1Char('&')));
}

void ShowWebInfoDialog(QWidget *parent)
{
    WebInfoDialog dialog(parent);
    dialog.exec();
}

}  // namespace vexa
