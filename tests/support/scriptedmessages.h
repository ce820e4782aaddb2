#pragma once

#include "base/messages.h"

#include <QList>
#include <QString>

namespace vexa::test {

// Records every message box and answers from a queue (default: the
// standard-error seam's answers). Installs itself for its lifetime.
class ScriptedMessages : public MessageSeam {
public:
    struct Shown {
        QString text;
        QString title;
        MsgIcon icon;
        MsgButtons buttons;
    };

    ScriptedMessages();
    ~ScriptedMessages() override;

    MsgResult show(
        const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override;
    bool prompt(const QString &text, const QString &title, QString &value) override;

    void answer(MsgResult result) { m_answers.append(result); }
    void answerPrompt(const QString &value) { m_promptAnswers.append(value); }

    const QList<Shown> &shown() const { return m_shown; }
    int count() const { return int(m_shown.size()); }
    const Shown &last() const { return m_shown.last(); }
    void clear() { m_shown.clear(); }

private:
    QList<Shown> m_shown;
    QList<MsgResult> m_answers;
    QList<QString> m_promptAnswers;
};

}  // namespace vexa::test
