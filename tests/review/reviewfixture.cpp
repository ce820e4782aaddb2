#include "reviewfixture.h"

#include "app/appobjects.h"
#include "db/appdatabase.h"
#include "db/imagefileinfo.h"
#include "db/records.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QThread>

#include <gtest/gtest.h>

namespace vexa::test {

ReviewLibrary::ReviewLibrary()
    : m_messages(std::make_unique<ScriptedMessages>())
{
    CreateApplicationObjects();
    m_images = m_data.file(QStringLiteral("images"));
    QDir().mkpath(m_images);
    EXPECT_TRUE(AddNewCollectionToDB(QStringLiteral("Review")));
    m_collection = FindCollectionId(QStringLiteral("Review"));
    QString path = m_images;
    m_item = AddNewItemToCollection(m_collection, path);
    EXPECT_GT(m_item, 0);
}

ReviewLibrary::~ReviewLibrary()
{
    ReleaseApplicationObjects();
}

std::int32_t ReviewLibrary::store(const QString &name, std::int64_t size, int width, int height)
{
    ImageFileInfo image;
    image.Directory = m_images;
    image.FileName = name;
    image.FileSize = size;
    image.DimX = width;
    image.DimY = height;
    EXPECT_TRUE(StoreImageData(m_collection, m_item, image, { 1, 2, 3 }, {}, QByteArray(64, '0')))
        << name.toStdString();
    return std::int32_t(AppDb().fileData->lastModified());
}

std::int32_t ReviewLibrary::addImage(
    const QString &name, int width, int height, const QColor &colour)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    // A mark in the top-left corner shows orientation in screenshots.
    for (int y = 0; y < height / 4; ++y)
        for (int x = 0; x < width / 4; ++x)
            picture.setPixelColor(x, y, QColor(240, 200, 40));
    const QString path = m_images + QLatin1Char('/') + name;
    EXPECT_TRUE(picture.save(path)) << path.toStdString();
    return store(name, QFileInfo(path).size(), width, height);
}

std::int32_t ReviewLibrary::addFile(
    const QString &name, const QByteArray &bytes, int width, int height)
{
    QFile file(m_images + QLatin1Char('/') + name);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    return store(name, bytes.size(), width, height);
}

std::int32_t ReviewLibrary::addRecordOnly(const QString &name, int width, int height)
{
    return store(name, 1234, width, height);
}

void ReviewLibrary::deleteRecord(std::int32_t id)
{
    EXPECT_TRUE(DeleteFileDataRecord(id)) << id;
}

}  // namespace vexa::test
