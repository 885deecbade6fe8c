#pragma once
// CFileItemInfo: one file-system item of a tree (CAbstractItem) with its
// data record (CFileItemData), and the stream form of that record.
//
// The tree links are not owned: whoever builds a tree frees its items.
//
// Item record, all integers little-endian; a sized string is an i32 byte
// count and the text without terminator, UTF-16LE when flag 0x80 is set,
// else Windows-1252:
//
//   i32  L, the bytes of the fields up to the stream names
//   i32  flags
//        path, name, short name, text 4, text 5, text 6 (sized strings)
//   i32  attributes
//   u64  number A, number B, size, number C
//        recorded, creation and last-write time (5 bytes each, CBasicDateTime)
//   i32  word A
//   u64  number D
//   i32  flags 2                   only with record option 0x1
//   i32  stream-name count c       only with flag 0x10000
//        c stream names (sized strings)
//   i32  security block size s, s bytes
//   i32  reparse block size r, r bytes   (format version 3 and later)
//
// L = 91 + 2 x (the six strings' UTF-16 lengths) + 4 with option 0x1 + (4 +
// the sum of 4 + 2 x name length) when names are listed. The record does
// not carry its version: the reader is told it. Version 1 records hold three
// 8-byte UTC FILETIMEs in place of everything from the times on; version 2
// has no reparse block; the writer writes version 3.
//
// Backup streams, alternate data streams and security data do not exist
// here (CreateItemFile gives no file): the blocks are always written empty.

#include <set>
#include <string>

#include "utility/AbstractItem.h"
#include "utility/FileItemData.h"

class CAbstractFile;
class CAbstractItemVisitor;
class CAbstractSnapshot;
class CBasicFileFindInfo;

class CFileItemInfo : public CAbstractItem {
public:
    // Record option: the record holds flags 2.
    static constexpr DWORD kRecordFlags2 = 0x1;
    // Data-stream options: copy the security block (backup stream id 3),
    // the reparse block (id 8).
    static constexpr DWORD kStreamSecurity = 0x400000;
    static constexpr DWORD kStreamReparse = 0x4000000;
    static constexpr int kSecurityBlock = 3;
    static constexpr int kReparseBlock = 8;
    // The most stream names a record holds.
    static constexpr size_t kMaxStreamNames = 100000;

    // An empty item, recorded now.
    CFileItemInfo();
    // Takes over the record (a null one is an assertion report and a new
    // record is made).
    explicit CFileItemInfo(CFileItemData* data);
    // A new item with the values of another (CopyFrom).
    explicit CFileItemInfo(const CAbstractItem* other);
    // Name and short name = name; a folder (attribute 0x10) or a normal file
    // (0x80); all three times now.
    CFileItemInfo(const wchar_t* name, int isFolder);
    // From a search entry: attributes, name, short name (the name where the
    // entry has none), size, size on disk, creation and last-write time;
    // recorded now.
    CFileItemInfo(const CBasicFileFindInfo* entry, const wchar_t* path);
    ~CFileItemInfo() override;
    CFileItemInfo(const CFileItemInfo&) = delete;
    CFileItemInfo& operator=(const CFileItemInfo&) = delete;

    // CAbstractItem
    CAbstractItem* GetParentItem() const override;
    CAbstractItem* GetFirstChildItem() const override;
    CAbstractItem* GetNextSiblingItem() const override;
    const wchar_t* GetPath() const override;
    const wchar_t* GetName() const override;
    const char* GetAnsiShortName() const override;
    // Copies attributes, path, name, short name, texts 4 to 7, unique name,
    // number E, word C, flags, flags 2, size, numbers C and D, word A, size on
    // disk, the three times, both block offsets and the stream names. A null
    // item or one that is no file item is an assertion report.
    void CopyFrom(const CAbstractItem* other) override;
    DWORD GetFlags() const override;
    DWORD TestFlags(DWORD mask) const override;
    DWORD GetFlags2() const override;
    DWORD TestFlags2(DWORD mask) const override;
    void SetFlags2(DWORD mask, int on) override;
    ULONGLONG GetNumberE() const override;
    void SetNumberE(ULONGLONG value) override;
    ULONGLONG GetSize() const override;
    ULONGLONG GetNumberC() const override;
    ULONGLONG GetSizeOnDisk() const override;
    const wchar_t* GetText4() const override;
    const wchar_t* GetShortName() const override;
    const wchar_t* GetUniqueName() const override;
    const CBasicDateTime* GetRecordedTime() const override;
    const CBasicDateTime* GetCreationTime() const override;
    const CBasicDateTime* GetLastWriteTime() const override;
    DWORD GetAttributes() const override;
    const wchar_t* GetText5() const override;
    const wchar_t* GetText6() const override;
    CFileItemInfo* AsFileItem() override;
    const CFileItemInfo* AsFileItem() const override;

    virtual CFileItemInfo* GetParent() const;
    virtual CFileItemInfo* GetFirstChild() const;
    virtual CFileItemInfo* GetNextSibling() const;
    virtual void SetParent(CFileItemInfo* item);
    virtual void SetFirstChild(CFileItemInfo* item);
    virtual void SetNextSibling(CFileItemInfo* item);
    virtual void SetPath(const wchar_t* path);
    virtual void SetName(const wchar_t* name);
    // flags = (flags AND NOT mask) OR (on ? mask : 0).
    virtual void SetFlags(DWORD mask, int on);
    // -1, 0 or 1 by last-write time; 1 for null.
    virtual int CompareLastWrite(const CAbstractItem* other) const;
    virtual void SetSize(ULONGLONG size);
    virtual ULONGLONG GetNumberD() const;
    virtual void SetNumberD(ULONGLONG value);
    virtual void SetNumberC(ULONGLONG value);
    virtual void SetSizeOnDisk(ULONGLONG size);
    virtual DWORD GetWordC() const;
    virtual void SetWordC(DWORD value);

    // Reads one record at the stream's position (see above) -> 1 / 0. The
    // stream's position and size must be known. options must be the record
    // options it was written with; version is the format version. A record
    // longer than what remains of the stream is refused; every record the
    // writer makes is read. Flag 0x80 is set afterwards in every case.
    virtual int ReadFromStream(CAbstractFile* stream, DWORD options, int version);
    // Writes the record and the blocks (WriteStreamData) -> 1 / 0. Sets flag
    // 0x1 with a next sibling, 0x2 with children, 0x80, and 0x10000 when
    // stream names are written (at most the first 100,000); clears 0x20000.
    virtual int WriteToStream(CAbstractFile* stream, DWORD recordOptions, DWORD dataStreamOptions,
                              CAbstractSnapshot* mapper);
    // Passes over the blocks behind a record, keeping their positions as
    // the block offsets -> 1; 0 after logging that a block size cannot be
    // read.
    virtual int SkipStreamData(CAbstractFile* stream);
    // Writes the security and reparse blocks the options ask for, copied
    // from the item's backup stream; where that cannot be done, two empty
    // blocks in their place -> 1; 0 without a stream or when even the empty
    // blocks cannot be written.
    virtual int WriteStreamData(CAbstractFile* stream, DWORD dataStreamOptions, CAbstractSnapshot* mapper);
    // Walks the backup stream in file (records of 20-byte headers: stream
    // id, attributes, 64-bit size, name size; then the name and the data)
    // to the stream id -> 1 with its size and the file at its data; 1 with
    // size 0 when the file ends first; 0 with an assertion report for an
    // unknown id or a file that cannot be read or passed over.
    virtual int FindBackupStream(CAbstractFile* file, DWORD id, ULONGLONG* size);
    virtual void SetText4(const wchar_t* text);
    virtual const wchar_t* GetText7() const;
    virtual void SetText7(const wchar_t* text);
    virtual void SetShortName(const wchar_t* name);
    // With generate != 0 an empty unique name is made first, the item's
    // siblings being named together (KVX::CUniqueFileName, mode 3).
    virtual const wchar_t* GetUniqueName(int generate);
    virtual void SetUniqueName(const wchar_t* name);
    // The names of naming modes 1 and 2 are not kept: an assertion report
    // and "" or 0.
    virtual const wchar_t* GetMode1Name() const;
    virtual int SetMode1Name(const wchar_t* name);
    virtual const wchar_t* GetMode2Name() const;
    virtual int SetMode2Name(const wchar_t* name);
    virtual void SetRecordedTime(const CBasicDateTime& time);
    virtual void SetCreationTime(const CBasicDateTime& time);
    virtual void SetLastWriteTime(const CBasicDateTime& time);
    virtual ULONGLONG GetNumberA() const;
    virtual void SetNumberA(ULONGLONG value);
    virtual ULONGLONG GetNumberB() const;
    virtual void SetNumberB(ULONGLONG value);
    // 1 when a child is not a folder.
    virtual int HasFileChild() const;
    virtual int IsDirectory() const;
    virtual void SetAttributes(DWORD attributes);
    virtual void SetText5(const wchar_t* text);
    virtual void SetText6(const wchar_t* text);
    virtual DWORD GetWordA() const;
    virtual void SetWordA(DWORD value);
    // The names of the item and its parents from the root down, joined with
    // '/', trailing separators removed.
    virtual const wchar_t* GetFullPath();
    // The block offset of type 3 (security) or 8 (reparse); 0 for others.
    virtual ULONGLONG GetBlockOffset(int type) const;
    virtual void SetBlockOffset(ULONGLONG offset, int type);
    virtual DWORD GetWordB() const;
    virtual void SetWordB(DWORD value);
    virtual KVX::CAbstractUniqueFileName* GetNamingOptions();
    // Null when the item has none.
    virtual const FILE_ITEM_EXTRA* GetExtraRecord() const;
    // Keeps a copy; null drops it.
    virtual void SetExtraRecord(const FILE_ITEM_EXTRA* extra);
    // For each child in order: when the visitor accepts it and says to go
    // on, the child's children are visited the same way.
    virtual void VisitChildren(CAbstractItemVisitor* visitor);
    // The narrow short names from below the root down to this item, joined
    // with '\' ('/' with flag 0x20000).
    virtual const char* GetAnsiRelativePath();

    // Sets the bits of setMask and clears those of clearMask in flags 2 of
    // this item and every item below it.
    void SetFlags2Recursive(DWORD setMask, DWORD clearMask);
    // The names of the file's data streams.
    std::set<std::wstring>& GetStreamNames();
    const std::set<std::wstring>& GetStreamNames() const;

private:
    bool ReadRecord(const BYTE* record, unsigned length, DWORD options, int version);
    bool CopyBackupBlock(CAbstractFile* file, CAbstractFile* stream, DWORD id, bool wanted);
    bool SkipBlock(CAbstractFile* stream, int type, const wchar_t* failure);
    bool WantsBlocks(DWORD dataStreamOptions) const;

    CFileItemData* m_data;
};
