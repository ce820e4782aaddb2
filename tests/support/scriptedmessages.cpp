#include "support/scriptedmessages.h"

namespace vexa::test {

ScriptedMessages::ScriptedMessages()
{
    SetMessageSeam(this);
}

ScriptedMessages::~ScriptedMessages()
{
    SetMessageSeam(nullptr);
}

MsgResult ScriptedMessages::show(
    const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons)
{
    m_shown.append({ text, title, icon, buttons });
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::YesNo: return MsgResult::No;
    case MsgButtons::YesNoCancel: return MsgResult::Cancel;
    }
    return MsgResult::Ok;
}

bool ScriptedMessages::prompt(const QString &text, const QString &title, QString &value)
{
    m_shown.append({ text, title, MsgIcon::Question, MsgButtons::Ok });
    if (m_promptAnswers.isEmpty())
        return false;
    value = m_promptAnswers.takeFirst();
    return true;
}

}  // namespace vexa::test
