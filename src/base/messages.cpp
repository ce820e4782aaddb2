#include "base/messages.h"

#include <cstdio>

namespace vexa {

namespace {
StderrMessages g_stderrMessages;
MessageSeam *g_seam = nullptr;
}  // namespace

bool MessageSeam::prompt(const QString &, const QString &, QString &)
{
    return false;
}

MsgResult StderrMessages::show(
    const QString &text, const QString &title, MsgIcon, MsgButtons buttons)
{
    QString flat = text;
    flat.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    std::fprintf(
        stderr, "%s: %s\n", title.toLocal8Bit().constData(), flat.toLocal8Bit().constData());
    switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::YesNo: return MsgResult::No;
    case MsgButtons::YesNoCancel: return MsgResult::Cancel;
    }
    return MsgResult::Ok;
}

MessageSeam &Messages()
{
    return g_seam ? *g_seam : g_stderrMessages;
}

void SetMessageSeam(MessageSeam *seam)
{
    g_seam = seam;
}

}  // namespace vexa
