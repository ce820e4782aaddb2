#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace vexa {

// One file of the group the binary compare is examining.
class CBinary {
public:
    QString FileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }
    // Directory, no trailing "/".
    QString Path() const { return m_path; }
    void setPath(const QString &path) { m_path = path; }
    std::int64_t Size() const { return m_size; }
    void setSize(std::int64_t size) { m_size = size; }
    int DimX() const { return m_dimX; }
    void setDimX(int width) { m_dimX = width; }
    int DimY() const { return m_dimY; }
    void setDimY(int height) { m_dimY = height; }
    // FileData ID; -1 for the file held in memory (monitor, instant check).
    std::int32_t RecordNr() const { return m_recordNr; }
    void setRecordNr(std::int32_t id) { m_recordNr = id; }
    // Already the first file of a comparison, or equal in size and
    // dimensions to an earlier one.
    bool Checked() const { return m_checked; }
    void setChecked(bool checked) { m_checked = checked; }
    // Number of the identical subgroup, -1 for none.
    int DeleteID() const { return m_deleteId; }
    void setDeleteID(int id) { m_deleteId = id; }
    // To be deleted.
    bool Delete() const { return m_delete; }
    void setDelete(bool on) { m_delete = on; }

    QString Key() const { return m_key; }
    QString FullPath() const;

private:
    friend class CBinaries;
    QString m_fileName;
    QString m_path;
    std::int64_t m_size = 0;
    int m_dimX = 0;
    int m_dimY = 0;
    std::int32_t m_recordNr = 0;
    bool m_checked = false;
    int m_deleteId = -1;
    bool m_delete = false;
    QString m_key;
};

// What DeleteBinaryDuplicates did, or would do, with one file marked for
// deletion: the file, the identical file that stays, and the outcome.
struct BinaryRemoval {
    QString removed;  // full path
    std::int32_t removedId = -1;
    QString kept;  // full path of its identical twin that stays
    std::int32_t keptId = -1;
    std::int64_t size = 0;
    bool done = false;  // removed from disk (and its record deleted)
    QString reason;  // why not, when not done (English, for the command line)
    QString reasonText;  // the same in the user's language
};

// The binary set: the files of one duplicate group, in insertion order, keyed
// "K" + record number. Interface thread only (or the CLI's main thread).
class CBinaries {
public:
    CBinaries();
    ~CBinaries();
    CBinaries(const CBinaries &) = delete;
    CBinaries &operator=(const CBinaries &) = delete;

    // A new element with Delete and Checked false and DeleteID -1. An empty
    // key adds it without one. A key already present adds nothing and gives
    // nullptr: one file may appear only once in a group.
    CBinary *Add(const QString &fileName, const QString &path, std::int64_t size, int dimX,
        int dimY, std::int32_t recordNr, const QString &key);
    // 1-based position, or key; nullptr when there is no such element.
    CBinary *Item(int position) const;
    CBinary *Item(const QString &key) const;
    int Count() const { return int(m_items.size()); }
    void Clear();
    void Remove(int position);
    void Remove(const QString &key);

    // The three phases: identical subgroups, keepers by name, removal. With
    // dryRun nothing is touched and the plan is returned as not done. Each
    // removal first checks that the keeper still exists, is not the same
    // physical file, and is still byte-identical to the file. Deleted files
    // go to the trash when allowUndo is on; their records are deleted and the
    // statistics counted. Returns the number of files deleted.
    int DeleteBinaryDuplicates(
        bool allowUndo, bool dryRun = false, QList<BinaryRemoval> *removals = nullptr);
    // The AllowUndo flag of the program.
    int DeleteBinaryDuplicates();
    // The three phases one by one. Phase 1 numbers the identical subgroups
    // (DeleteID) and returns how many there are; phase 2 marks what goes;
    // phase 3 removes the marked files and returns the number removed.
    int FindIdenticalFiles();
    void MarkFilesToDelete();
    int DeleteMarkedFiles(
        bool allowUndo, bool dryRun = false, QList<BinaryRemoval> *removals = nullptr);

    // Byte-for-byte identical (FilesIdentical); the same physical file is
    // never its own duplicate.
    static bool CompareFiles(const QString &first, const QString &second);
    // Marks all but one of the elements with these record ids for deletion:
    // of identical files the one with the longest name stays, unless a longer
    // name merely extends the kept one ("IMG (2).JPG" beside "IMG.JPG").
    void ChooseKeeper(const QList<std::int32_t> &ids);
    // The name up to its last "."; the whole name without one.
    static QString StripExtension(const QString &name);
    static bool ContainsId(std::int32_t id, const QList<std::int32_t> &ids);

    using const_iterator = std::vector<std::unique_ptr<CBinary>>::const_iterator;
    const_iterator begin() const { return m_items.begin(); }
    const_iterator end() const { return m_items.end(); }

private:
    const CBinary *keeperOf(const CBinary &file) const;
    BinaryRemoval removeOne(const CBinary &file, bool allowUndo, bool dryRun);

    std::vector<std::unique_ptr<CBinary>> m_items;
    int m_subgroups = 0;  // found by the last FindIdenticalFiles
};

// The application's binary set, beside its class so the features can reach
// it; the program's assembly makes and releases it (CreateApplicationObjects).
// Interface thread only.
CBinaries *Binaries();
void SetApplicationBinaries(std::unique_ptr<CBinaries> set);

}  // namespace vexa
