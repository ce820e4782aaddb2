#include "base/progresstexts.h"

#include "base/rounding.h"
#include "base/texts.h"

namespace vexa {

std::int64_t RemainingMs(
    std::int64_t elapsedMs, std::int64_t done, std::int64_t total, double factor)
{
    const double projected = double(total) * (double(elapsedMs) / double(done + 1)) * factor;
    return std::int64_t(RoundHalfEven(projected)) - elapsedMs;
}

QString EstimateText(std::int64_t remaining)
{
    const std::int64_t s = std::int64_t(RoundHalfEven(double(remaining) / 1000.0));
    const std::int64_t m = s / 60;  // truncates toward zero, as the texts expect
    const std::int64_t h = m / 60;
    const std::int64_t minutes = m - 60 * h;

    QString text = Text(758);
    if (h >= 1) {
        text += QString::number(h) + Text(759);
        text += minutes >= 1 ? Text(760) : QStringLiteral(".");
    }
    if (minutes >= 1)
        text += QString::number(minutes) + Text(761);
    if (h < 1 && minutes < 1)
        text += Text(762);
    return text;
}

QString ElapsedText(std::int64_t ms)
{
    const std::int64_t s = std::int64_t(RoundHalfEven(double(ms) / 1000.0));
    const std::int64_t m = s / 60;
    const std::int64_t h = m / 60;
    const std::int64_t minutes = m - 60 * h;
    const std::int64_t seconds = s - 60 * m;
    return QString::number(h) + Text(763)
        + QStringLiteral("%1").arg(minutes, 2, 10, QLatin1Char('0')) + Text(764)
        + QStringLiteral("%1").arg(seconds, 2, 10, QLatin1Char('0')) + Text(765);
}

QString PercentCompleteText(std::int64_t value, std::int64_t maximum)
{
    const std::int64_t percent
        = maximum > 0 ? std::int64_t(RoundHalfEven(double(value) / double(maximum) * 100.0)) : 0;
    return QStringLiteral("%1% Complete").arg(percent, 2, 10, QLatin1Char('0'));
}

QString TerminalProgressLine(const RunProgress &p, const QString &items, qint64 elapsedMs)
{
    QString line = p.total > 0 ? QStringLiteral("%1/%2 %3").arg(p.done).arg(p.total).arg(items)
                               : QStringLiteral("%1 %2").arg(p.done).arg(items);
    if (p.total > 0)
        line += QStringLiteral("  %1%").arg(p.done * 100 / p.total);
    if (elapsedMs >= 1000 && p.done > 0)
        line += QStringLiteral("  %1 %2/s").arg(p.done * 1000.0 / elapsedMs, 0, 'f', 1).arg(items);
    qint64 remainingMs = p.remainingMs;
    if (remainingMs < 0 && p.total > 0 && p.done > 0 && elapsedMs >= 1000)
        remainingMs = elapsedMs * (p.total - p.done) / p.done;
    if (remainingMs >= 0) {
        const qint64 seconds = (remainingMs + 999) / 1000;
        line += seconds >= 3600 ? QStringLiteral("  %1:%2:%3 left")
                                      .arg(seconds / 3600)
                                      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                      .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                                : QStringLiteral("  %1:%2 left")
                                      .arg(seconds / 60)
                                      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    if (p.errors > 0)
        line += QStringLiteral("  %1 errors").arg(p.errors);
    return line;
}

}  // namespace vexa
