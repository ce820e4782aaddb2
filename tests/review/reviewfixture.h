#pragma once

#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"
#include "support/waituntil.h"

#include <QColor>
#include <QDir>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace vexa::test {

// A fresh database with one collection over one directory of real image
// files, and the application's duplicate set.
class ReviewLibrary {
public:
    ReviewLibrary();
    ~ReviewLibrary();

    QString directory() const { return m_images; }
    // Writes a PNG (or the given bytes) and stores its FileData row; the ID.
    std::int32_t addImage(
        const QString &name, int width, int height, const QColor &colour = QColor(70, 120, 180));
    std::int32_t addFile(const QString &name, const QByteArray &bytes, int width, int height);
    // A row whose file is not on disk.
    std::int32_t addRecordOnly(const QString &name, int width = 10, int height = 10);
    void deleteRecord(std::int32_t id);

    ScriptedMessages &messages() { return *m_messages; }
    std::int32_t collectionId() const { return m_collection; }
    std::int64_t itemId() const { return m_item; }

private:
    std::int32_t store(const QString &name, std::int64_t size, int width, int height);

    TempDataDir m_data;
    std::unique_ptr<ScriptedMessages> m_messages;
    QString m_images;
    std::int32_t m_collection = 0;
    std::int64_t m_item = 0;
};

}  // namespace vexa::test
