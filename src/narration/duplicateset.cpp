#include "narration/duplicateset.h"

#include "base/diskpath.h"
#include "base/errors.h"
#include "base/paths.h"
#include "db/appdatabase.h"
#include "db/selectionsql.h"

#include <QFileInfo>

namespace vexa {

namespace {

constexpr long ErrOutOfMemory = 7;

// Draws before the search for a free key turns from random draws to a walk
// from a random start; keeps Add fast when the set is nearly full.
constexpr int kRandomDraws = 32;

std::int32_t parseKey(const QString &key)
{
    if (key.size() < 2 || key.size() > 7 || key.at(0) != QLatin1Char('K'))
        return -1;
    std::int32_t number = 0;
    for (qsizetype i = 1; i < key.size(); ++i) {
        const QChar c = key.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        number = number * 10 + (c.unicode() - '0');
    }
    // No leading zeros: "K007" is not a key the set makes.
    if (key.size() > 2 && key.at(1) == QLatin1Char('0'))
        return -1;
    return number;
}

bool fileDataExists(RecordSet &fileData, std::int32_t id)
{
    return fileData.findFirst(FileIdSpacedCriterion(id));
}

// A plain search for that exact path: hidden files do not count.
bool plainFileExists(const QString &path)
{
    return StatOnDisk(path).isFile && !SplitPath(path, false).startsWith(QLatin1Char('.'));
}

}  // namespace

QString CDuplicate::Key() const
{
    return m_key < 0 ? QString() : QStringLiteral("K") + QString::number(m_key);
}

void CDuplicate::setKey(const QString &key)
{
    m_key = parseKey(key);
}

namespace {
std::unique_ptr<CDuplicates> g_duplicates;
}  // namespace

CDuplicates *Duplicates()
{
    return g_duplicates.get();
}

void SetApplicationDuplicates(std::unique_ptr<CDuplicates> set)
{
    g_duplicates = std::move(set);
}

CDuplicates::CDuplicates()
    : m_usedKeys(std::size_t(kMaxGroups), false)
    , m_random(std::random_device {}())
{
}

CDuplicates::~CDuplicates() = default;

bool CDuplicates::keyUsed(std::int32_t number) const
{
    return number >= 0 && number < kMaxGroups && m_usedKeys[std::size_t(number)];
}

bool CDuplicates::KeyExists(const QString &key) const
{
    return keyUsed(parseKey(key));
}

std::int32_t CDuplicates::CreateUniqueKey()
{
    if (Count() >= kMaxGroups)
        throw VexaError(ErrOutOfMemory,
            QStringLiteral(
                "Out of memory: the duplicate set holds %1 groups, the most it can hold.")
                .arg(kMaxGroups));
    // r in [0, 1) times 1000000, integer part.
    std::uniform_int_distribution<std::int32_t> draw(0, kMaxGroups - 1);
    std::int32_t number = draw(m_random);
    for (int i = 0; i < kRandomDraws && keyUsed(number); ++i)
        number = draw(m_random);
    while (keyUsed(number))
        number = (number + 1) % kMaxGroups;  // a free key exists: Count() < kMaxGroups
    return number;
}

void CDuplicates::releaseKey(const CDuplicate &group)
{
    if (group.keyNumber() >= 0)
        m_usedKeys[std::size_t(group.keyNumber())] = false;
}

CDuplicate &CDuplicates::Add(const QList<std::int32_t> &fileIds, std::int32_t source,
    std::int16_t memoryPosition, const QString &)
{
    auto group = std::make_unique<CDuplicate>();
    const std::int32_t key = CreateUniqueKey();
    group->setLFileID(fileIds);
    group->setLSource(source);
    group->setMemLoadPos(memoryPosition);
    group->setKey(QStringLiteral("K") + QString::number(key));
    m_groups.push_back(std::move(group));
    m_usedKeys[std::size_t(key)] = true;
    return *m_groups.back();
}

std::size_t CDuplicates::indexOf(std::int32_t position) const
{
    if (position < 1 || position > Count())
        throw VexaError(ErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    return std::size_t(position - 1);
}

CDuplicate &CDuplicates::Item(std::int32_t position)
{
    return *m_groups[indexOf(position)];
}

const CDuplicate &CDuplicates::Item(std::int32_t position) const
{
    return *m_groups[indexOf(position)];
}

void CDuplicates::Clear()
{
    for (const auto &group : m_groups)
        releaseKey(*group);
    m_groups.clear();
}

void CDuplicates::Remove(std::int32_t position)
{
    const std::size_t index = indexOf(position);
    releaseKey(*m_groups[index]);
    m_groups.erase(m_groups.begin() + std::ptrdiff_t(index));
}

bool CDuplicates::RemoveFile(std::int32_t position, std::int32_t fileId)
{
    CDuplicate &group = *m_groups[indexOf(position)];
    QList<std::int32_t> ids = group.lFileID();
    if (ids.removeAll(fileId) == 0)
        return false;
    if (!ids.isEmpty()) {
        group.setLFileID(ids);
        return false;
    }
    Remove(position);
    return true;
}

std::int32_t CDuplicates::DeleteNonRelevantDuplicates()
{
    std::int32_t removed = 0;
    // Groups are removed as they are judged (a failing lookup keeps the
    // removals made so far); the survivors close ranks at the end of each
    // step, so no group is visited twice or skipped.
    std::size_t kept = 0;
    std::size_t next = 0;
    const auto closeRanks = [&] {
        for (; next < m_groups.size(); ++next)
            m_groups[kept++] = std::move(m_groups[next]);
        m_groups.resize(kept);
    };
    try {
        RecordSet *fileData = AppDb().fileData.get();
        if (!fileData && !m_groups.empty())
            throw VexaError(ErrDatabaseNotOpen, QStringLiteral("Object invalid or no longer set."));
        for (; next < m_groups.size(); ++next) {
            const CDuplicate &group = *m_groups[next];
            int count = 0;
            if (group.lSource() != -1) {
                count = fileDataExists(*fileData, group.lSource()) ? 1 : 0;
            } else if (m_memoryEntryPath) {
                const std::optional<QString> path = m_memoryEntryPath(group.MemLoadPos());
                count = path && plainFileExists(*path) ? 1 : 0;
            }
            const QList<std::int32_t> &ids = group.fileIds();
            for (qsizetype i = 0; i < ids.size() && count <= 1; ++i) {
                if (fileDataExists(*fileData, ids.at(i)))
                    ++count;
            }
            if (count < 2) {
                releaseKey(group);
                m_groups[next].reset();
                ++removed;
            } else {
                m_groups[kept++] = std::move(m_groups[next]);
            }
        }
        m_groups.resize(kept);
    } catch (...) {
        closeRanks();
        throw;
    }
    return removed;
}

}  // namespace vexa
