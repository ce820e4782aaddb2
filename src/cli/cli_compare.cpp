// vexa-cli compare A B [--method 0-2] [--slider 0-24]: whether two files
// match by a signature method, with the measured distances.
#include "base/rounding.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "signature/imagefunc.h"
#include "signature/imageloader.h"
#include "signature/signaturelib.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>

namespace vexa::cli {

namespace {

const int kPresets[3] = { 4, 8, 12 };
const char *const kMethodNames[3] = { "Average RGB", "Quadruple RGB", "Bitmap pattern" };

}  // namespace

int RunCompare(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Whether two files match by each signature method, with the measured distances."));
    parser.addPositionalArgument(
        QStringLiteral("files"), QStringLiteral("The two image files."), QStringLiteral("A B"));
    parser.addOptions({ { QStringLiteral("method"),
                            QStringLiteral("Only this method: 0 Average RGB, 1 Quadruple RGB, 2 "
                                           "Bitmap pattern."),
                            QStringLiteral("0-2") },
        { QStringLiteral("slider"),
            QStringLiteral("Tolerance slider, 0..24 (default: the preset)."),
            QStringLiteral("0-24") } });
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    int method = -1;
    int slider = -1;
    if (!IntOption(parser, QStringLiteral("method"), 0, 2, method))
        return UsageError(parser, invocation,
            WrongValue(parser, QStringLiteral("method"),
                QStringLiteral("0 (Average RGB), 1 (Quadruple RGB) or 2 (Bitmap pattern)")));
    if (!IntOption(parser, QStringLiteral("slider"), 0, 24, slider))
        return UsageError(parser, invocation,
            WrongValue(parser, QStringLiteral("slider"), QStringLiteral("0..24")));
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return UsageError(parser, invocation, QStringLiteral("two files are needed"));
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
