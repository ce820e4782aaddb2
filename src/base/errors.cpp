#include "base/errors.h"

#include "base/messages.h"
#include "base/texts.h"

#include <QStringList>

namespace vexa {

VexaError::VexaError(long number, const QString &description)
    : std::runtime_error(description.toStdString())
    , m_number(number)
    , m_description(description)
{
}

QString ErrorReportText(
    long number, const QString &description, const QString &module, const QString &procedure)
{
    return Text(766) + module + QStringLiteral(" - ") + procedure + QStringLiteral("\r\r")
        + QString::number(number) + QStringLiteral(" - ") + description;
}

void ReportError(
    long number, const QString &description, const QString &module, const QString &procedure)
{
    Messages().show(ErrorReportText(number, description, module, procedure), Text(767),
        MsgIcon::Critical, MsgButtons::Ok);
}

void ReportException(const std::exception &e, const QString &module, const QString &procedure)
{
    if (const auto *ve = dynamic_cast<const VexaError *>(&e))
        ReportError(ve->number(), ve->description(), module, procedure);
    else
        ReportError(ErrInvalidProcedureCall, QString::fromUtf8(e.what()), module, procedure);
}

QString ProcedureText(const QString &name, const QStringList &arguments)
{
    return name + QLatin1Char('(') + arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
}

}  // namespace vexa
