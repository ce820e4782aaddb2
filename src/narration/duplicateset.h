#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <vector>

namespace vexa {

// One duplicate group: a source image and the images found to duplicate it.
class CDuplicate {
public:
    // ID of the source's FileData row; -1 for an entry of the memory
    // signature list (then MemLoadPos is its index).
    std::int32_t lSource() const { return m_source; }
    void setLSource(std::int32_t source) { m_source = source; }

    // The duplicates' FileData IDs in the order found. A copy both ways: the
    // group owns its list.
    QList<std::int32_t> lFileID() const { return m_fileIds; }
    void setLFileID(const QList<std::int32_t> &fileIds) { m_fileIds = fileIds; }
    // Read access without the copy, for the engines and the viewer.
    const QList<std::int32_t> &fileIds() const { return m_fileIds; }

    std::int16_t MemLoadPos() const { return m_memLoadPos; }
    void setMemLoadPos(std::int16_t position) { m_memLoadPos = position; }

    // "K" + a decimal number 0..999999, unique within the set.
    QString Key() const;
    void setKey(const QString &key);
    // The number of the key, -1 when the key is not of that form.
    std::int32_t keyNumber() const { return m_key; }

private:
    std::int32_t m_source = 0;
    QList<std::int32_t> m_fileIds;
    std::int16_t m_memLoadPos = 0;
    std::int32_t m_key = -1;
};

// The path (directory + "/" + file name) of a memory signature entry by its
// position, or nothing when the list has no such entry.
using MemoryEntryPath = std::function<std::optional<QString>(std::int32_t position)>;

// The current duplicate set: an ordered, keyed collection of groups.
// Positions are 1-based in insertion order. Interface thread only; event
// handlers may read it while a run fills it.
class CDuplicates {
public:
    // Keys take 1,000,000 values, so the set holds at most this many groups.
    static constexpr std::int32_t kMaxGroups = 1000000;

    CDuplicates();
    ~CDuplicates();
    CDuplicates(const CDuplicates &) = delete;
    CDuplicates &operator=(const CDuplicates &) = delete;

    // Appends a group with a newly generated key; the key argument is not
    // used. A full set throws VexaError (number 7, "Out of memory") and is
    // left unchanged. The reference stays valid until the group is removed.
    CDuplicate &Add(const QList<std::int32_t> &fileIds, std::int32_t source,
        std::int16_t memoryPosition, const QString &key);
    // Positions outside 1..Count() throw VexaError 9 and change nothing.
    CDuplicate &Item(std::int32_t position);
    const CDuplicate &Item(std::int32_t position) const;
    std::int32_t Count() const { return std::int32_t(m_groups.size()); }
    void Clear();
    void Remove(std::int32_t position);
    // Takes the file out of the group at position (the user said it is not
    // a duplicate of the source); a group left without duplicates goes.
    // true when the group went. A position outside 1..Count() throws
    // VexaError 9; a file the group does not hold changes nothing.
    bool RemoveFile(std::int32_t position, std::int32_t fileId);

    // Removes the groups in which fewer than two images still exist (the
    // source row or file, and the duplicate rows, looked up in the shared
    // FileData record set). Returns the number removed; a failing lookup
    // throws, leaving the groups removed so far removed.
    std::int32_t DeleteNonRelevantDuplicates();

    // How a memory source (lSource -1) finds its file; without one, or for a
    // position the list does not hold, the source counts as gone.
    void setMemoryEntryPath(MemoryEntryPath lookup) { m_memoryEntryPath = std::move(lookup); }

    // NewEnum: the groups in order.
    class const_iterator {
    public:
        using Inner = std::vector<std::unique_ptr<CDuplicate>>::const_iterator;
        explicit const_iterator(Inner it)
            : m_it(it)
        {
        }
        const CDuplicate &operator*() const { return **m_it; }
        const CDuplicate *operator->() const { return m_it->get(); }
        const_iterator &operator++()
        {
            ++m_it;
            return *this;
        }
        bool operator==(const const_iterator &other) const { return m_it == other.m_it; }
        bool operator!=(const const_iterator &other) const { return m_it != other.m_it; }

    private:
        Inner m_it;
    };
    const_iterator begin() const { return const_iterator(m_groups.begin()); }
    const_iterator end() const { return const_iterator(m_groups.end()); }

private:
    std::int32_t CreateUniqueKey();
    bool KeyExists(const QString &key) const;
    bool keyUsed(std::int32_t number) const;
    void releaseKey(const CDuplicate &group);
    std::size_t indexOf(std::int32_t position) const;

    std::vector<std::unique_ptr<CDuplicate>> m_groups;
    std::vector<bool> m_usedKeys;  // by key number 0..999999
    std::mt19937 m_random;
    MemoryEntryPath m_memoryEntryPath;
};

// The application's duplicate set, shared by narration and the viewer; null
// before start-up has made it and after shutdown. The program's assembly
// makes and releases it (CreateApplicationObjects). Interface thread only.
CDuplicates *Duplicates();
void SetApplicationDuplicates(std::unique_ptr<CDuplicates> set);

}  // namespace vexa
