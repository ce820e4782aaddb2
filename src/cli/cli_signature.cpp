// vexa-cli signature FILE...: the signature of each file as one JSON line.
#include "cli/cli.h"
#include "cli/commands.h"
#include "signature/imagefunc.h"
#include "signature/imageloader.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vexa::cli {

namespace {

QJsonArray triple(const RGBTriple &t)
{
    return QJsonArray { t.Red, t.Green, t.Blue };
}

QString line(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

}  // namespace

int RunSignature(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The signature of each file as one JSON line; status 1 when one failed."));
    parser.addPositionalArgument(
        QStringLiteral("files"), QStringLiteral("Image files."), QStringLiteral("FILE..."));
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return UsageError(parser, invocation, QStringLiteral("no file given"));
    InitialiseImageLoader();
    int status = ExitOk;
    for (const QString &path : files) {
        QString reason;
        const auto computed = ComputeSignature(path, &reason);
        if (!computed) {
            Out(line({ { QStringLiteral("path"), path }, { QStringLiteral("error"), reason } }));
            status = ExitFailure;
            continue;
        }
        const ImageSignature &s = computed->signature;
        const PackedSignature &p = computed->packed;
        QJsonArray quads;
        QJsonArray packedQuads;
        for (int q = 0; q < 4; ++q) {
            quads.append(triple(s.QuadRGB[size_t(q)]));
            packedQuads.append(p.QuadRGB[q]);
        }
        QJsonObject packed { { QStringLiteral("AvgRGB"), p.AvgRGB },
            { QStringLiteral("QuadRGB"), packedQuads }, { QStringLiteral("Pattern1"), p.Pattern1 },
            { QStringLiteral("Pattern2"), p.Pattern2 } };
        Out(line({ { QStringLiteral("path"), path }, { QStringLiteral("size"), s.FileSize },
            { QStringLiteral("width"), s.DimX }, { QStringLiteral("height"), s.DimY },
            { QStringLiteral("average"), triple(s.AvgRGB) }, { QStringLiteral("quadrants"), quads },
            { QStringLiteral("pattern"), QString::fromLatin1(s.Pattern) },
            { QStringLiteral("packed"), packed } }));
    }
    return status;
}

}  // namespace vexa::cli
