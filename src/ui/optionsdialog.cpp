#include "ui/optionsdialog.h"

#include "base/captionwalk.h"
#include "base/errors.h"
#include "base/fileops.h"
#include "base/keeprule.h"
#include "base/messages.h"
#include "base/textids.h"
#include "base/texts.h"
#include "db/settings.h"
#include "ui/helpwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vexa {

namespace {

constexpr char kModule[] = "frmOptions";

}  // namespace

OptionsDialog::OptionsDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    SetTextIds(this, 301);

    m_chkRecycleBin = new QCheckBox(QStringLiteral("784"), this);
    m_chkRecycleBin->setObjectName(QStringLiteral("chkRecycleBin"));
    SetTextIds(m_chkRecycleBin, 784, 1037);
    m_lblLanguage = new QLabel(QStringLiteral("785"), this);
    m_lblLanguage->setObjectName(QStringLiteral("lblLanguage"));
    SetTextIds(m_lblLanguage, 785);
    m_cboLanguage = new QComboBox(this);
    m_cboLanguage->setObjectName(QStringLiteral("cboLanguage"));
    m_cboLanguage->addItem(QStringLiteral("English"), 0);
    m_cboLanguage->addItem(QStringLiteral("Nederlands"), 2000);
    m_lblLanguage->setBuddy(m_cboLanguage);
    auto *lblKeepRule = new QLabel(QStringLiteral("1911"), this);
    lblKeepRule->setObjectName(QStringLiteral("lblKeepRule"));
    SetTextIds(lblKeepRule, 1911);
    m_txtKeepRule = new QLineEdit(this);
    m_txtKeepRule->setObjectName(QStringLiteral("txtKeepRule"));
    m_txtKeepRule->setPlaceholderText(KeepKeysText(KeepRule().keys));
    lblKeepRule->setBuddy(m_txtKeepRule);
    auto *lblKeepPreferred = new QLabel(QStringLiteral("1912"), this);
    lblKeepPreferred->setObjectName(QStringLiteral("lblKeepPreferred"));
    SetTextIds(lblKeepPreferred, 1912);
    m_txtKeepPreferred = new QLineEdit(this);
    m_txtKeepPreferred->setObjectName(QStringLiteral("txtKeepPreferred"));
    lblKeepPreferred->setBuddy(m_txtKeepPreferred);
    m_cmdOk = new QPushButton(QStringLiteral("950"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    SetTextIds(m_cmdOk, 950);
    m_cmdOk->setDefault(true);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setVerticalSpacing(10);
    grid->addWidget(m_chkRecycleBin, 0, 0, 1, 2);
    grid->addWidget(m_lblLanguage, 1, 0);
    grid->addWidget(m_cboLanguage, 1, 1);
    grid->addWidget(lblKeepRule, 2, 0);
    grid->addWidget(m_txtKeepRule, 2, 1);
    grid->addWidget(lblKeepPreferred, 3, 0);
    grid->addWidget(m_txtKeepPreferred, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOk);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(m_chkRecycleBin, &QCheckBox::clicked, this, &OptionsDialog::recycleBinClicked);
    connect(m_cboLanguage, &QComboBox::currentIndexChanged, this, &OptionsDialog::languageChosen);
    connect(m_txtKeepRule, &QLineEdit::editingFinished, this, &OptionsDialog::keepRuleEdited);
    connect(
        m_txtKeepPreferred, &QLineEdit::editingFinished, this, &OptionsDialog::keepPreferredEdited);
    connect(m_cmdOk, &QPushButton::clicked, this, &QDialog::accept);

    load();
}

void OptionsDialog::load()
{
    m_loading = true;
    try {
        LocaliseWindow(this);
    } catch (const std::exception &e) {
        ReportException(e, QLatin1String(kModule), QStringLiteral("Form_Load"));
    }
    m_chkRecycleBin->setChecked(GetSystemSetting(QStringLiteral("AllowUndo")).toBool());
    m_cboLanguage->setCurrentIndex(LangOffset() == 2000 ? 1 : 0);
    const auto keys = ParseKeepKeys(ReadSetting(QStringLiteral("KeepBestRule")));
    m_txtKeepRule->setText(KeepKeysText(keys ? *keys : KeepRule().keys));
    m_txtKeepPreferred->setText(ReadSetting(QStringLiteral("KeepBestPreferred")));
}

void OptionsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_loading = false;
}

void OptionsDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        ShowHelpFor(focusWidget(), this);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void OptionsDialog::recycleBinClicked()
{
    const bool on = m_chkRecycleBin->isChecked();
    SaveSystemSetting(QStringLiteral("AllowUndo"), on);
    // Switching the trash on protects the very next deletion; switching it
    // off waits for the next start, so no file is lost outright by surprise.
    if (on)
        SetAllowUndoFlag(true);
}

void OptionsDialog::languageChosen(int index)
{
    if (index < 0)
        return;
    const int offset = m_cboLanguage->itemData(index).toInt();
    SetLangOffset(offset);
    SaveSystemSetting(QStringLiteral("LangOffset"), offset);
    if (!m_loading)
        Messages().show(Text(786), Text(721), MsgIcon::Information, MsgButtons::Ok);
}

void OptionsDialog::keepRuleEdited()
{
    const auto keys = ParseKeepKeys(m_txtKeepRule->text());
    if (keys)
        WriteSetting(QStringLiteral("KeepBestRule"), KeepKeysText(*keys));
    const auto stored = ParseKeepKeys(ReadSetting(QStringLiteral("KeepBestRule")));
    m_txtKeepRule->setText(KeepKeysText(stored ? *stored : KeepRule().keys));
}

void OptionsDialog::keepPreferredEdited()
{
    const QString directory = m_txtKeepPreferred->text().trimmed();
    WriteSetting(QStringLiteral("KeepBestPreferred"),
        directory.isEmpty() ? QString() : QDir::cleanPath(directory));
    m_txtKeepPreferred->setText(ReadSetting(QStringLiteral("KeepBestPreferred")));
}

void ShowOptionsDialog(QWidget *parent)
{
    OptionsDialog dialog(parent);
    dialog.exec();
}

}  // namespace vexa
