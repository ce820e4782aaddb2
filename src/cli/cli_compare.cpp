// vexa-cli compare A B [--method 0-2] [--slider 0-24]: whether two files
// match by a signature method, with the measured distances.
#include "base/rounding.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "signature/imagefunc.h"
#include "signature/imageloader.h"
#include "signature/signaturelib.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace vexa::cli {

namespace {

const int kPresets[3] = { 4, 8, 12 };
const char *const kMethodNames[3] = { "Average RGB", "Quadruple RGB", "Bitmap pattern" };

bool parseInt(const QString &text, int low, int high, int &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= low && value <= high;
}

}  // namespace

int RunCompare(const Invocation &invocation)
{
    QStringList files;
    int method = -1;
    int slider = -1;
    const QStringList &args = invocation.args;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--method") && i + 1 < args.size()) {
            if (!parseInt(args[++i], 0, 2, method)) {
                Err(QStringLiteral("vexa-cli compare: --method takes 0 (Average RGB), 1 (Quadruple "
                                   "RGB) or 2 (Bitmap pattern)"));
                return ExitUsage;
            }
        } else if (arg == QLatin1String("--slider") && i + 1 < args.size()) {
            if (!parseInt(args[++i], 0, 24, slider)) {
                Err(QStringLiteral("vexa-cli compare: --slider takes 0..24"));
                return ExitUsage;
            }
        } else {
            files.append(arg);
        }
    }
    if (files.size() != 2) {
        Err(QStringLiteral("usage: vexa-cli compare A B [--method 0-2] [--slider 0-24]"));
        return ExitUsage;
    }
    InitialiseImageLoader();
    PackedSignature s[2];
    for (int f = 0; f < 2; ++f) {
        QString reason;
        const auto computed = ComputeSignature(files[f], &reason);
        if (!computed) {
            Out(QString::fromUtf8(QJsonDocument(QJsonObject { { QStringLiteral("path"), files[f] },
                                                    { QStringLiteral("error"), reason } })
                                      .toJson(QJsonDocument::Compact)));
            return ExitFailure;
        }
        s[f] = computed->packed;
    }
    const PackedSignature &a = s[0];
    const PackedSignature &b = s[1];
    const int avgDistance = ChannelDistance(a.AvgRGB, b.AvgRGB);
    const int quadDistance = QuadDistance(a.QuadRGB, b.QuadRGB);
    const int bits = PatternDistance(a.Pattern1, a.Pattern2, b.Pattern1, b.Pattern2);
    for (int m = 0; m < 3; ++m) {
        if (method >= 0 && m != method)
            continue;
        const int sliderValue = slider >= 0 ? slider : kPresets[m];
        const int level = int(RoundHalfEven(sliderValue / 2.0));
        const int avgLevel = int(RoundHalfEven(level / 2.0));
        const bool quad = CompareQuadRGB(a.QuadRGB[0], a.QuadRGB[1], a.QuadRGB[2], a.QuadRGB[3],
                              b.QuadRGB[0], b.QuadRGB[1], b.QuadRGB[2], b.QuadRGB[3], level)
            != 0;
        bool match = false;
        QJsonObject result { { QStringLiteral("method"), m },
            { QStringLiteral("name"), QString::fromLatin1(kMethodNames[m]) },
            { QStringLiteral("slider"), sliderValue }, { QStringLiteral("level"), level } };
        if (m == 0) {
            match = CompareAvgRGB(a.AvgRGB, b.AvgRGB, avgLevel) != 0;
            result.insert(QStringLiteral("avgDistance"), avgDistance);
            result.insert(QStringLiteral("avgLimit"), AvgChannelTolerance(avgLevel));
        } else {
            match = m == 1
                ? quad
                : (CompareBitLong(a.Pattern1, b.Pattern1, a.Pattern2, b.Pattern2, level) != 0
                    && quad);
            result.insert(QStringLiteral("quadDistance"), quadDistance);
            result.insert(QStringLiteral("quadLimit"), QuadChannelTolerance(level));
            if (m == 2) {
                result.insert(QStringLiteral("patternDistance"), bits);
                result.insert(QStringLiteral("patternLimit"), PatternBitTolerance(level));
            }
        }
        result.insert(QStringLiteral("match"), match);
        Out(QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact)));
    }
    return ExitOk;
}

}  // namespace vexa::cli
