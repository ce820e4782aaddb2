// Speed of the signature path per image (decode + stretch + sample + pack)
// and of the comparisons. The test pictures are made on first use in a
// temporary directory with ImageMagick's convert.
#include "signature/imagefunc.h"
#include "signature/imageloader.h"
#include "signature/perceptualhash.h"
#include "signature/signaturelib.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace vexa;

namespace {

QTemporaryDir &dir()
{
    static QTemporaryDir d;
    return d;
}

// A 12-megapixel photograph-like JPEG (4000 x 3000) and a small PNG.
QString picture(const QString &name, const QString &size)
{
    const QString path = dir().filePath(name);
    if (QFile::exists(path))
        return path;
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("convert")),
        { QStringLiteral("-size"), size, QStringLiteral("plasma:fractal"), QStringLiteral("-seed"),
            QStringLiteral("5"), QStringLiteral("-quality"), QStringLiteral("90"), path });
    p.waitForFinished(300000);
    return path;
}

// withPerceptual: the perceptual signature too, from the same picture, as
// gathering makes both.
void run(benchmark::State &state, const QString &path, DecodeSize size, bool withPerceptual = false)
{
    InitialiseImageLoader();
    LoadedImage probe;
    if (!LoadImageFile(path, probe, size)) {
        state.SkipWithError("test picture could not be made (is ImageMagick's convert installed?)");
        return;
    }
    for (auto _ : state) {
        LoadedImage image;
        LoadImageFile(path, image, size);
        const ComputedSignature s = SignatureOfPicture(image.picture, image.width, image.height);
        benchmark::DoNotOptimize(s.packed.Pattern1);
        if (withPerceptual)
            benchmark::DoNotOptimize(PerceptualHashOfPicture(image.picture));
    }
    state.SetLabel(QStringLiteral("decoded %1 x %2")
                       .arg(probe.picture.width())
                       .arg(probe.picture.height())
                       .toStdString());
}

void BM_Signature12MpJpegReduced(benchmark::State &state)
{
    run(state, picture(QStringLiteral("photo12mp.jpg"), QStringLiteral("4000x3000")),
        DecodeSize::Sampling);
}
void BM_Signature12MpJpegReducedWithPerceptual(benchmark::State &state)
{
    run(state, picture(QStringLiteral("photo12mp.jpg"), QStringLiteral("4000x3000")),
        DecodeSize::Sampling, true);
}
void BM_Signature12MpJpegFull(benchmark::State &state)
{
    run(state, picture(QStringLiteral("photo12mp.jpg"), QStringLiteral("4000x3000")),
        DecodeSize::Full);
}
void BM_SignatureSmallPng(benchmark::State &state)
{
    run(state, picture(QStringLiteral("small.png"), QStringLiteral("320x240")),
        DecodeSize::Sampling);
}
void BM_SignatureSmallPngWithPerceptual(benchmark::State &state)
{
    run(state, picture(QStringLiteral("small.png"), QStringLiteral("320x240")),
        DecodeSize::Sampling, true);
}

// The two reductions every gathered picture goes through, on a decoded
// 640 x 480 picture (a small JPEG decodes at full scale).
QImage noise640x480()
{
    QImage picture(640, 480, QImage::Format_RGB32);
    std::mt19937 rng(3);
    for (int y = 0; y < picture.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = 0xFF000000u | (rng() & 0xFFFFFFu);
    }
    return picture;
}

void BM_SamplingStretch640x480(benchmark::State &state)
{
    const QImage picture = noise640x480();
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeSamplingSurface(picture).constBits());
}

void BM_PerceptualHash640x480(benchmark::State &state)
{
    const QImage picture = noise640x480();
    for (auto _ : state)
        benchmark::DoNotOptimize(PerceptualHashOfPicture(picture));
}

struct Packed {
    std::int32_t avg, q[4], p1, p2;
};

std::vector<Packed> randomSignatures()
{
    std::mt19937 rng(1);
    std::vector<Packed> v(4096);
    for (Packed &p : v) {
        p.avg = std::int32_t(rng() & 0xFFFFFF);
        for (auto &q : p.q)
            q = std::int32_t(rng() & 0xFFFFFF);
        p.p1 = std::int32_t(rng());
        p.p2 = std::int32_t(rng());
    }
    return v;
}

void BM_CompareAvgRGB(benchmark::State &state)
{
    const auto v = randomSignatures();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CompareAvgRGB(v[i & 4095].avg, v[(i + 1) & 4095].avg, 1));
        ++i;
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}

void BM_CompareQuadRGB(benchmark::State &state)
{
    const auto v = randomSignatures();
    size_t i = 0;
    for (auto _ : state) {
        const Packed &a = v[i & 4095];
        const Packed &b = v[(i + 1) & 4095];
        benchmark::DoNotOptimize(
            CompareQuadRGB(a.q[0], a.q[1], a.q[2], a.q[3], b.q[0], b.q[1], b.q[2], b.q[3], 4));
        ++i;
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}

void BM_CompareBitLong(benchmark::State &state)
{
    const auto v = randomSignatures();
    size_t i = 0;
    for (auto _ : state) {
        const Packed &a = v[i & 4095];
        const Packed &b = v[(i + 1) & 4095];
        benchmark::DoNotOptimize(CompareBitLong(a.p1, b.p1, a.p2, b.p2, 6));
        ++i;
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}

}  // namespace

BENCHMARK(BM_Signature12MpJpegReduced)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Signature12MpJpegReducedWithPerceptual)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Signature12MpJpegFull)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SignatureSmallPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SignatureSmallPngWithPerceptual)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SamplingStretch640x480)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PerceptualHash640x480)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompareAvgRGB);
BENCHMARK(BM_CompareQuadRGB);
BENCHMARK(BM_CompareBitLong);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
