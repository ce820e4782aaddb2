#include "base/renamequestion.h"

#include "base/messages.h"
#include "base/texts.h"

namespace vexa {

frmQuestion::frmQuestion() = default;

void frmQuestion::Activate(const QString &shownText)
{
    if (!m_firstActivation)
        return;
    m_firstActivation = false;
    m_text = shownText;
    m_rememberedExtension = ExtensionOf(shownText).toUpper();
    m_rememberedName = shownText;
}

void frmQuestion::TextChanged(const QString &text)
{
    m_text = text;
    m_rename = true;
}

bool frmQuestion::Validate()
{
    if (!IsValidFileName(m_text)) {
        Messages().show(Text(788), Text(767), MsgIcon::Exclamation, MsgButtons::Ok);
        m_rename = false;
        return false;
    }
    m_rename = true;
    return true;
}

void frmQuestion::Ok()
{
    if (ExtensionOf(m_text).toUpper() != m_rememberedExtension
        && Messages().show(Text(787), Text(700), MsgIcon::Question, MsgButtons::YesNo)
            == MsgResult::No)
        m_rename = false;
    if (m_text == m_rememberedName)
        m_rename = false;
}

void frmQuestion::Cancel()
{
    m_rename = false;
}

QString frmQuestion::ExtensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.mid(dot);
}

bool frmQuestion::IsValidFileName(const QString &name)
{
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

bool AskNewFileName(const QString &fileName, QString &newName)
{
    frmQuestion question;
    question.Activate(fileName);
    QString text = fileName;
    if (!Messages().prompt(Text(701), Text(700), text)) {
        question.Cancel();
        return false;
    }
    if (text != fileName)
        question.TextChanged(text);
    // An invalid name ends the question: there is no extension to judge.
    if (!question.Validate())
        return false;
    question.Ok();
    newName = question.NewFileName();
    return question.Rename();
}

}  // namespace vexa
