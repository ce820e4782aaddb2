// compare_bench [PAIRS] [KILOBYTES]: the autodelete's byte comparison
// (FilesIdentical, 4096-byte blocks) against cmp(1) on the same identical
// pairs, side by side in one run; the page cache is warm for both.
#include "base/fileops.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int pairs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    const int kilobytes = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 1024;
    QTemporaryDir dir;
    QByteArray bytes(kilobytes * 1024, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(QRandomGenerator::global()->bounded(256));
    QStringList names;
    for (int i = 0; i < pairs * 2; ++i) {
        bytes[0] = char(i / 2);  // pairs equal, pairs differ from each other
        QFile file(dir.filePath(QString::number(i)));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        names.append(file.fileName());
    }
    QElapsedTimer timer;
    timer.start();
    int equal = 0;
    for (int i = 0; i < pairs; ++i)
        equal += vexa::FilesIdentical(names[2 * i], names[2 * i + 1]) ? 1 : 0;
    const qint64 ours = timer.elapsed();
    timer.restart();
    QStringList script;
    for (int i = 0; i < pairs; ++i)
        script.append(
            QStringLiteral("cmp -s '%1' '%2' && n=$((n+1))").arg(names[2 * i], names[2 * i + 1]));
    QProcess::execute(QStringLiteral("sh"),
        { QStringLiteral("-c"), QStringLiteral("n=0; ") + script.join(QStringLiteral("; ")) });
    const qint64 cmp = timer.elapsed();
    std::printf("%d pairs of %d KiB, %d equal: FilesIdentical %lld ms, cmp %lld ms, ratio %.2f\n",
        pairs, kilobytes, equal, ours, cmp, cmp > 0 ? double(ours) / double(cmp) : 0.0);
    return equal == pairs ? 0 : 1;
}
