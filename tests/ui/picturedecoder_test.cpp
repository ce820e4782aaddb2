// The decoder behind the Image Viewer's picture, without widgets (so the
// sanitizer run covers its threads): only the latest request is answered,
// always after the request returns, a missing file with a reason.
#include "support/waituntil.h"
#include "ui/picturedecoder.h"

#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

using namespace vexa;
using vexa::test::WaitUntil;

namespace {

// Lets queued answers arrive for a while.
void Pump(int ms)
{
    WaitUntil([] { return false; }, ms);
}

void WriteJpeg(const QString &file, int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(file, "JPEG"));
}

TEST(PictureDecoder, OnlyTheLatestRequestIsAnsweredAndAlwaysAfterItReturns)
{
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < 6; ++i) {
        files.append(dir.filePath(QStringLiteral("p%1.jpg").arg(i)));
        WriteJpeg(files.last(), 1200, 900, QColor(40 * i, 80, 120));
    }
    PictureDecoder decoder;
    QList<QPair<quint64, QString>> answers;
    QList<LoadedImage> images;
    QObject::connect(&decoder, &PictureDecoder::decoded,
        [&](quint64 ticket, const QString &name, const LoadedImage &image) {
            answers.append({ ticket, name });
            images.append(image);
        });
    const QSize box(200, 200);
    quint64 last = 0;
    for (const QString &file : files)
        last = decoder.request(file, box);  // as fast as a held-down key
    ASSERT_TRUE(WaitUntil([&] { return !decoder.isWaiting() && decoder.decodesInFlight() == 0; }));
    Pump(50);
    ASSERT_EQ(answers.size(), 1);
    EXPECT_EQ(answers[0], qMakePair(last, files.last()));
    ASSERT_TRUE(images[0].ok);
    EXPECT_EQ(images[0].width, 1200) << "the file's own dimensions";
    EXPECT_LE(images[0].picture.width(), 200);
    EXPECT_LE(images[0].picture.height(), 200);

    // A cached picture is answered too, but only once the caller is back in
    // the event loop, as a decoded one is.
    const quint64 again = decoder.request(files.last(), box);
    EXPECT_EQ(answers.size(), 1);
    ASSERT_TRUE(WaitUntil([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers[1].first, again);

    // A file that is gone is an answer with a reason, not silence.
    decoder.request(dir.filePath(QStringLiteral("missing.jpg")), box);
    ASSERT_TRUE(WaitUntil([&] { return answers.size() == 3; }));
    EXPECT_FALSE(images[2].ok);
    EXPECT_FALSE(images[2].reason.isEmpty());
    // Cancelled: nothing more arrives.
    decoder.request(files.first(), box);
    decoder.cancel();
    Pump(300);
    EXPECT_EQ(answers.size(), 3);
}

}  // namespace
