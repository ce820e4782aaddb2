#include "base/log.h"

#include "base/environment.h"
#include "base/errors.h"

#include <QFile>

namespace vexa {

bool WriteToLogFile(const QString &fileName, const QString &text, bool append)
{
    QFile file(ProgramDirectory() + QLatin1Char('/') + fileName);
    const QIODevice::OpenMode mode
        = QIODevice::WriteOnly | (append ? QIODevice::Append : QIODevice::Truncate);
    QByteArray line = text.toLocal8Bit();
    line += "\r\n";
    if (!file.open(mode) || file.write(line) != line.size() || !file.flush()) {
        const long number
            = file.error() == QFileDevice::ResourceError ? ErrDiskFull : ErrPermissionDenied;
        ReportError(number, file.errorString(), QStringLiteral("modFunctions"),
            QStringLiteral("WriteToLogFile(") + text + QStringLiteral(", ")
                + (append ? QStringLiteral("Append") : QStringLiteral("New")) + QLatin1Char(')'));
        return false;
    }
    return true;
}

}  // namespace vexa
