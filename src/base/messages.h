#pragma once

#include <QString>

namespace vexa {

// Icon values of the message boxes.
enum class MsgIcon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class MsgButtons { Ok = 0, YesNoCancel = 3, YesNo = 4 };
enum class MsgResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// Every message box and modal question goes through this seam, so tests can
// answer them and the command-line front end can print them.
class MessageSeam {
public:
    virtual ~MessageSeam() = default;
    virtual MsgResult show(
        const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons)
        = 0;
    // A modal text prompt (the rename dialog); returns false when cancelled.
    virtual bool prompt(const QString &text, const QString &title, QString &value);
};

// Prints to standard error and answers No (or Cancel); used until a window
// installs its own seam, and by the command-line front end.
class StderrMessages : public MessageSeam {
public:
    MsgResult show(
        const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override;
};

MessageSeam &Messages();
// Installs a seam (not owned); nullptr restores the standard-error seam.
void SetMessageSeam(MessageSeam *seam);

}  // namespace vexa
