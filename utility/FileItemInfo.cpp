#include "utility/FileItemInfo.h"

#include <cstdint>
#include <cwchar>
#include <vector>

#include "utility/AbstractFile.h"
#include "utility/AbstractItemVisitor.h"
#include "utility/AbstractLog.h"
#include "utility/BasicFileFindInfo.h"
#include "utility/ErrorReport.h"
#include "utility/LittleEndian.h"
#include "utility/PathName.h"
#include "utility/Posix/BasicFile.h"
#include "utility/Posix/Shell.h"
#include "utility/Posix/Volumes.h"
#include "utility/SizedField.h"
#include "utility/TextCodec.h"
#include "utility/UniqueFileName.h"

namespace {

const char kSourceFile[] = ".\\FileItemInfo";
const wchar_t kLogSource[] = L".\\FileItemInfo";
const wchar_t kGeneralCategory[] = L"GENERAL";

// The event of the item's file: opened on the second try, or not at all.
constexpr int kEventOpenedSharedForWrite = 4;
constexpr int kEventCannotOpen = -22;

// Bytes of a record without its strings and optional parts.
constexpr uint64_t kFixedRecordBytes = 91;
constexpr size_t kBackupHeaderBytes = 20;
constexpr size_t kCopyPiece = 4096;
// FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL
constexpr DWORD kItemFileFlags = 0x2200080;

CBasicDateTime Now() { return GetCurrentLocalTime(); }

uint64_t Utf16Bytes(const wchar_t* text) { return 2 * (uint64_t)Utf16UnitCount(text, wcslen(text)); }

// Reads the fields of a record held in memory; each read fails when the
// record ends before the field does.
class CRecordReader {
public:
    CRecordReader(const BYTE* data, unsigned size) : m_data(data), m_size(size) {}

    bool U32(DWORD& value) {
        if (m_size - m_pos < 4) return false;
        value = GetLE32(m_data + m_pos);
        m_pos += 4;
        return true;
    }
    bool U64(ULONGLONG& value) {
        if (m_size - m_pos < 8) return false;
        value = GetLE64(m_data + m_pos);
        m_pos += 8;
        return true;
    }
    bool Text(CBasicString& out, int wide) {
        if (m_size - m_pos < 4 || GetLE32(m_data + m_pos) > m_size - m_pos - 4) return false;
        ReadSizedString(m_data, m_size, out, m_pos, wide);
        return true;
    }
    bool Time(CBasicDateTime& time) { return time.Deserialize(m_data, m_size, m_pos) != 0; }
    // A UTC FILETIME, as local time.
    bool FileTime(CBasicDateTime& time) {
        FILETIME value;
        if (!U32(value.dwLowDateTime) || !U32(value.dwHighDateTime)) return false;
        time = CBasicDateTime(value);
        return true;
    }

private:
    const BYTE* m_data;
    unsigned m_size;
    unsigned m_pos = 0;
};

// Builds a record of a known length.
class CRecordWriter {
public:
    explicit CRecordWriter(size_t length) : m_bytes(length) {}

    void U32(DWORD value) {
        PutLE32(m_bytes.data() + m_pos, value);
        m_pos += 4;
    }
    void U64(ULONGLONG value) {
        PutLE64(m_bytes.data() + m_pos, value);
        m_pos += 8;
    }
    void Text(const wchar_t* text) { WriteSizedString(m_bytes.data(), text, m_pos); }
    void Time(const CBasicDateTime& time) { time.Serialize(m_bytes.data(), m_pos); }

    bool Complete() const { return (size_t)m_pos == m_bytes.size(); }
    const std::vector<BYTE>& Bytes() const { return m_bytes; }

private:
    std::vector<BYTE> m_bytes;
    int m_pos = 0;
};

bool ReadExactly(CAbstractFile* file, void* buffer, DWORD size) {
    DWORD done = 0;
    return file->Read(buffer, size, &done) >= 0 && done == size;
}

bool WriteExactly(CAbstractFile* file, const void* buffer, DWORD size) {
    DWORD done = 0;
    return file->Write(buffer, size, &done) >= 0 && done == size;
}

bool WriteI32(CAbstractFile* file, int32_t value) {
    BYTE bytes[4];
    PutLE32(bytes, (uint32_t)value);
    return WriteExactly(file, bytes, sizeof(bytes));
}

// Reads and drops count bytes in pieces.
bool SkipByReading(CAbstractFile* file, uint64_t count) {
    BYTE piece[kCopyPiece];
    while (count > 0) {
        DWORD want = count < kCopyPiece ? (DWORD)count : (DWORD)kCopyPiece;
        if (!ReadExactly(file, piece, want)) return false;
        count -= want;
    }
    return true;
}

} // namespace

CFileItemInfo::CFileItemInfo() : m_data(new CFileItemData) { m_data->recordedTime = Now(); }

CFileItemInfo::CFileItemInfo(CFileItemData* data) : m_data(data) {
    ReportAssertion(data != nullptr, kSourceFile, __LINE__);
    if (!m_data) {
        m_data = new CFileItemData;
        m_data->recordedTime = Now();
    }
}

CFileItemInfo::CFileItemInfo(const CAbstractItem* other) : CFileItemInfo() { CopyFrom(other); }

CFileItemInfo::CFileItemInfo(const wchar_t* name, int isFolder) : CFileItemInfo() {
    m_data->name = name;
    m_data->SetShortName(name);
    m_data->attributes = isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    m_data->creationTime = m_data->recordedTime;
    m_data->lastWriteTime = m_data->recordedTime;
}

CFileItemInfo::CFileItemInfo(const CBasicFileFindInfo* entry, const wchar_t* path) : CFileItemInfo() {
    ReportAssertion(entry != nullptr, kSourceFile, __LINE__);
    m_data->path = path;
    if (!entry) return;
    m_data->attributes = entry->GetAttributes();
    m_data->name = entry->GetFileName();
    const wchar_t* alternate = entry->GetAlternateName();
    m_data->SetShortName(*alternate ? alternate : entry->GetFileName());
    m_data->size = entry->GetFileSize();
    m_data->sizeOnDisk = entry->GetCompressedSize();
    m_data->creationTime = entry->GetCreationTime();
    m_data->lastWriteTime = entry->GetLastWriteTime();
}

CFileItemInfo::~CFileItemInfo() {
    ReportAssertion(m_data != nullptr, kSourceFile, __LINE__);
    delete m_data;
}

CAbstractItem* CFileItemInfo::GetParentItem() const { return m_data->parent; }
CAbstractItem* CFileItemInfo::GetFirstChildItem() const { return m_data->firstChild; }
CAbstractItem* CFileItemInfo::GetNextSiblingItem() const { return m_data->nextSibling; }
const wchar_t* CFileItemInfo::GetPath() const { return m_data->path.GetString(); }
const wchar_t* CFileItemInfo::GetName() const { return m_data->name.GetString(); }
const char* CFileItemInfo::GetAnsiShortName() const { return m_data->ansiShortName.c_str(); }

void CFileItemInfo::CopyFrom(const CAbstractItem* other) {
    const CFileItemInfo* item = other ? other->AsFileItem() : nullptr;
    ReportAssertion(item != nullptr, kSourceFile, __LINE__);
    if (!item || item == this) return;
    const CFileItemData& from = *item->m_data;
    CFileItemData& to = *m_data;
    to.attributes = from.attributes;
    to.path = from.path;
    to.name = from.name;
    to.SetShortName(from.shortName.GetString());
    to.text4 = from.text4;
    to.text5 = from.text5;
    to.text6 = from.text6;
    to.text7 = from.text7;
    to.uniqueName = from.uniqueName;
    to.numberE = from.numberE;
    to.wordC = from.wordC;
    to.flags = from.flags;
    to.flags2 = from.flags2;
    to.size = from.size;
    to.numberC = from.numberC;
    to.numberD = from.numberD;
    to.wordA = from.wordA;
    to.sizeOnDisk = from.sizeOnDisk;
    to.recordedTime = from.recordedTime;
    to.creationTime = from.creationTime;
    to.lastWriteTime = from.lastWriteTime;
    to.securityOffset = from.securityOffset;
    to.reparseOffset = from.reparseOffset;
    to.streamNames = from.streamNames;
}

DWORD CFileItemInfo::GetFlags() const { return m_data->flags; }
DWORD CFileItemInfo::TestFlags(DWORD mask) const { return m_data->flags & mask; }
DWORD CFileItemInfo::GetFlags2() const { return m_data->flags2; }
DWORD CFileItemInfo::TestFlags2(DWORD mask) const { return m_data->flags2 & mask; }
void CFileItemInfo::SetFlags2(DWORD mask, int on) { m_data->flags2 = (m_data->flags2 & ~mask) | (on ? mask : 0); }
ULONGLONG CFileItemInfo::GetNumberE() const { return m_data->numberE; }
void CFileItemInfo::SetNumberE(ULONGLONG value) { m_data->numberE = value; }
ULONGLONG CFileItemInfo::GetSize() const { return m_data->size; }
ULONGLONG CFileItemInfo::GetNumberC() const { return m_data->numberC; }
ULONGLONG CFileItemInfo::GetSizeOnDisk() const { return m_data->sizeOnDisk; }
const wchar_t* CFileItemInfo::GetText4() const { return m_data->text4.GetString(); }
const wchar_t* CFileItemInfo::GetShortName() const { return m_data->shortName.GetString(); }
const wchar_t* CFileItemInfo::GetUniqueName() const { return m_data->uniqueName.GetString(); }
const CBasicDateTime* CFileItemInfo::GetRecordedTime() const { return &m_data->recordedTime; }
const CBasicDateTime* CFileItemInfo::GetCreationTime() const { return &m_data->creationTime; }
const CBasicDateTime* CFileItemInfo::GetLastWriteTime() const { return &m_data->lastWriteTime; }
DWORD CFileItemInfo::GetAttributes() const { return m_data->attributes; }
const wchar_t* CFileItemInfo::GetText5() const { return m_data->text5.GetString(); }
const wchar_t* CFileItemInfo::GetText6() const { return m_data->text6.GetString(); }
CFileItemInfo* CFileItemInfo::AsFileItem() { return this; }
const CFileItemInfo* CFileItemInfo::AsFileItem() const { return this; }

CFileItemInfo* CFileItemInfo::GetParent() const { return m_data->parent; }
CFileItemInfo* CFileItemInfo::GetFirstChild() const { return m_data->firstChild; }
CFileItemInfo* CFileItemInfo::GetNextSibling() const { return m_data->nextSibling; }
void CFileItemInfo::SetParent(CFileItemInfo* item) { m_data->parent = item; }
void CFileItemInfo::SetFirstChild(CFileItemInfo* item) { m_data->firstChild = item; }
void CFileItemInfo::SetNextSibling(CFileItemInfo* item) { m_data->nextSibling = item; }
void CFileItemInfo::SetPath(const wchar_t* path) { m_data->path = path; }
void CFileItemInfo::SetName(const wchar_t* name) { m_data->name = name; }
void CFileItemInfo::SetFlags(DWORD mask, int on) { m_data->flags = (m_data->flags & ~mask) | (on ? mask : 0); }

int CFileItemInfo::CompareLastWrite(const CAbstractItem* other) const {
    if (!other) return 1;
    return CBasicDateTime::Compare(m_data->lastWriteTime, *other->GetLastWriteTime());
}

void CFileItemInfo::SetSize(ULONGLONG size) { m_data->size = size; }
ULONGLONG CFileItemInfo::GetNumberD() const { return m_data->numberD; }
void CFileItemInfo::SetNumberD(ULONGLONG value) { m_data->numberD = value; }
void CFileItemInfo::SetNumberC(ULONGLONG value) { m_data->numberC = value; }
void CFileItemInfo::SetSizeOnDisk(ULONGLONG size) { m_data->sizeOnDisk = size; }
DWORD CFileItemInfo::GetWordC() const { return m_data->wordC; }
void CFileItemInfo::SetWordC(DWORD value) { m_data->wordC = value; }

int CFileItemInfo::ReadFromStream(CAbstractFile* stream, DWORD options, int version) {
    m_data->streamNames.clear();
    bool read = false;
    ULONGLONG position = 0, size = 0;
    if (stream && stream->GetPosition(&position) && stream->GetSize(&size) && position <= size &&
        size - position >= 4) {
        m_data->formatVersion = version;
        BYTE lengthBytes[4];
        // Any length the writer can make is taken, as long as the stream
        // holds that much.
        if (ReadExactly(stream, lengthBytes, sizeof(lengthBytes))) {
            int32_t length = (int32_t)GetLE32(lengthBytes);
            if (length >= 0 && (ULONGLONG)length <= size - position - 4) {
                std::vector<BYTE> record((size_t)length);
                read = (length == 0 || ReadExactly(stream, record.data(), (DWORD)length)) &&
                       ReadRecord(record.data(), (unsigned)length, options, version) &&
                       (version == 1 || SkipStreamData(stream));
            }
        }
    }
    ReportAssertion(read, kSourceFile, __LINE__);
    m_data->flags |= CFileItemData::kFlagUnicode;
    return read ? 1 : 0;
}

bool CFileItemInfo::ReadRecord(const BYTE* record, unsigned length, DWORD options, int version) {
    CFileItemData& d = *m_data;
    CRecordReader in(record, length);
    if (!in.U32(d.flags)) return false;
    int wide = (d.flags & CFileItemData::kFlagUnicode) ? 1 : 0;
    CBasicString shortName;
    if (!in.Text(d.path, wide) || !in.Text(d.name, wide) || !in.Text(shortName, wide) || !in.Text(d.text4, wide) ||
        !in.Text(d.text5, wide) || !in.Text(d.text6, wide))
        return false;
    d.SetShortName(shortName.GetString());
    if (!in.U32(d.attributes) || !in.U64(d.numberA) || !in.U64(d.numberB) || !in.U64(d.size) || !in.U64(d.numberC))
        return false;
    if (version == 1)
        return in.FileTime(d.recordedTime) && in.FileTime(d.creationTime) && in.FileTime(d.lastWriteTime);

    if (!in.Time(d.recordedTime) || !in.Time(d.creationTime) || !in.Time(d.lastWriteTime) || !in.U32(d.wordA) ||
        !in.U64(d.numberD))
        return false;
    if ((options & kRecordFlags2) && !in.U32(d.flags2)) return false;
    if (!(d.flags & CFileItemData::kFlagStreamNames)) return true;
    DWORD count = 0;
    if (!in.U32(count) || count > kMaxStreamNames) return false;
    for (DWORD i = 0; i < count; ++i) {
        CBasicString name;
        if (!in.Text(name, wide)) return false;
        d.streamNames.insert(name.GetString());
    }
    return true;
}

int CFileItemInfo::WriteToStream(CAbstractFile* stream, DWORD recordOptions, DWORD dataStreamOptions,
                                 CAbstractSnapshot* mapper) {
    ReportAssertion(stream != nullptr, kSourceFile, __LINE__);
    if (!stream) return 0;
    CFileItemData& d = *m_data;
    size_t nameCount = d.streamNames.size() < kMaxStreamNames ? d.streamNames.size() : kMaxStreamNames;
    SetFlags(CFileItemData::kFlagHasNextSibling, d.nextSibling != nullptr);
    SetFlags(CFileItemData::kFlagHasChildren, d.firstChild != nullptr);
    SetFlags(CFileItemData::kFlagUnicode, 1);
    SetFlags(CFileItemData::kFlagForwardSlashes, 0);
    SetFlags(CFileItemData::kFlagStreamNames, nameCount > 0);

    const CBasicString* texts[] = {&d.path, &d.name, &d.shortName, &d.text4, &d.text5, &d.text6};
    uint64_t length = kFixedRecordBytes;
    for (const CBasicString* text : texts) length += Utf16Bytes(text->GetString());
    if (recordOptions & kRecordFlags2) length += 4;
    if (nameCount > 0) {
        length += 4;
        size_t counted = 0;
        for (auto name = d.streamNames.begin(); counted < nameCount; ++name, ++counted)
            length += 4 + Utf16Bytes(name->c_str());
    }
    bool fits = length <= INT32_MAX;
    ReportAssertion(fits, kSourceFile, __LINE__);
    if (!fits) return 0;

    CRecordWriter out((size_t)length);
    out.U32(d.flags);
    for (const CBasicString* text : texts) out.Text(text->GetString());
    out.U32(d.attributes);
    out.U64(d.numberA);
    out.U64(d.numberB);
    out.U64(d.size);
    out.U64(d.numberC);
    out.Time(d.recordedTime);
    out.Time(d.creationTime);
    out.Time(d.lastWriteTime);
    out.U32(d.wordA);
    out.U64(d.numberD);
    if (recordOptions & kRecordFlags2) out.U32(d.flags2);
    if (nameCount > 0) {
        out.U32((DWORD)nameCount);
        size_t written = 0;
        for (auto name = d.streamNames.begin(); written < nameCount; ++name, ++written) out.Text(name->c_str());
    }
    bool built = out.Complete();
    ReportAssertion(built, kSourceFile, __LINE__);
    if (!built) return 0;

    if (!WriteI32(stream, (int32_t)length) || !WriteExactly(stream, out.Bytes().data(), (DWORD)length)) return 0;
    return WriteStreamData(stream, dataStreamOptions, mapper);
}

bool CFileItemInfo::SkipBlock(CAbstractFile* stream, int type, const wchar_t* failure) {
    ULONGLONG position = 0;
    BYTE sizeBytes[4];
    if (!stream->GetPosition(&position)) return false;
    SetBlockOffset(position, type);
    // A negative size would lead back into the record.
    if (!ReadExactly(stream, sizeBytes, sizeof(sizeBytes)) || (int32_t)GetLE32(sizeBytes) < 0) {
        if (CAbstractLog* log = stream->GetLog()) log->LogFormat(kLogSource, __LINE__, 1, failure, stream->GetFileName());
        return false;
    }
    int32_t size = (int32_t)GetLE32(sizeBytes);
    return size == 0 || stream->Seek(size, FILE_CURRENT);
}

int CFileItemInfo::SkipStreamData(CAbstractFile* stream) {
    ReportAssertion(stream != nullptr, kSourceFile, __LINE__);
    if (!stream) return 0;
    if (!SkipBlock(stream, kSecurityBlock, L"Could not read security attributes for (%s)")) return 0;
    if (m_data->formatVersion >= 3 &&
        !SkipBlock(stream, kReparseBlock, L"Could not read reparse attributes for (%s)"))
        return 0;
    return 1;
}

bool CFileItemInfo::WantsBlocks(DWORD dataStreamOptions) const {
    if (!(dataStreamOptions & (kStreamSecurity | kStreamReparse))) return false;
    const CBasicString& path = m_data->path;
    if (path.IsEmpty() || IsUncPath(path.GetString()) || !IsNtfsVolume(path.GetString())) return false;
    // Not the root of a drive, nor a volume name.
    CBasicString folder = path;
    return NormalizeFolderPath(folder) == 0;
}

bool CFileItemInfo::CopyBackupBlock(CAbstractFile* file, CAbstractFile* stream, DWORD id, bool wanted) {
    ULONGLONG size = 0;
    if (wanted && !FindBackupStream(file, id, &size)) return false;
    if (size > INT32_MAX || !WriteI32(stream, (int32_t)size)) return false;
    BYTE piece[kCopyPiece];
    while (size > 0) {
        DWORD want = size < kCopyPiece ? (DWORD)size : (DWORD)kCopyPiece;
        if (!ReadExactly(file, piece, want) || !WriteExactly(stream, piece, want)) return false;
        size -= want;
    }
    return true;
}

int CFileItemInfo::WriteStreamData(CAbstractFile* stream, DWORD dataStreamOptions, CAbstractSnapshot* mapper) {
    ULONGLONG start = 0;
    bool usable = stream && stream->GetPosition(&start);
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;

    bool copied = false;
    if (WantsBlocks(dataStreamOptions)) {
        const wchar_t* path = m_data->path.GetString();
        CAbstractLog* log = stream->GetLog();
        CAbstractFile* file = CreateItemFile(path, log, mapper, this, stream);
        bool opened = file && file->Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, kItemFileFlags) >= 0;
        if (file && !opened) {
            opened = file->Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                kItemFileFlags) >= 0;
            if (opened && log) log->LogEventFormat(kLogSource, __LINE__, kGeneralCategory, kEventOpenedSharedForWrite, path);
        }
        if (!opened && log) log->LogEventFormat(kLogSource, __LINE__, kGeneralCategory, kEventCannotOpen, path);
        copied = opened && CopyBackupBlock(file, stream, kSecurityBlock, (dataStreamOptions & kStreamSecurity) != 0) &&
                 CopyBackupBlock(file, stream, kReparseBlock, (dataStreamOptions & kStreamReparse) != 0);
        // The file object goes; the file itself stays.
        DeleteBasicFile(file);
    }
    if (copied) return 1;
    // Two empty blocks in place of whatever was begun.
    BYTE empty[8] = {};
    return stream->Seek((LONGLONG)start, FILE_BEGIN) && WriteExactly(stream, empty, sizeof(empty)) ? 1 : 0;
}

int CFileItemInfo::FindBackupStream(CAbstractFile* file, DWORD id, ULONGLONG* size) {
    bool given = file && size;
    ReportAssertion(given, kSourceFile, __LINE__);
    if (!given) return 0;
    *size = 0;
    for (bool first = true;; first = false) {
        BYTE header[kBackupHeaderBytes];
        DWORD done = 0;
        int read = file->Read(header, sizeof(header), &done);
        if (read < 0 && first) {
            ReportAssertion(0, kSourceFile, __LINE__);
            return 0;
        }
        // The stream ends: the block is not there.
        if (read < 0 || done != sizeof(header)) return 1;
        DWORD streamId = GetLE32(header);
        ULONGLONG streamSize = GetLE64(header + 8);
        DWORD nameSize = GetLE32(header + 16);
        bool known = streamId >= 1 && streamId <= 9;
        bool passed = false;
        if (streamId == 9) {
            // A sparse block counts its 8-byte offset in its size.
            passed = streamSize >= 8 && SkipByReading(file, 8);
            streamSize -= 8;
        } else if (known) {
            passed = SkipByReading(file, nameSize);
        }
        if (!known || !passed) {
            ReportAssertion(0, kSourceFile, __LINE__);
            return 0;
        }
        if (streamId == id) {
            *size = streamSize;
            return 1;
        }
        bool skipped = streamSize == 0 || (streamSize <= INT64_MAX && file->Seek((LONGLONG)streamSize, FILE_CURRENT));
        ReportAssertion(skipped, kSourceFile, __LINE__);
        if (!skipped) return 0;
    }
}

void CFileItemInfo::SetText4(const wchar_t* text) { m_data->text4 = text; }
const wchar_t* CFileItemInfo::GetText7() const { return m_data->text7.GetString(); }
void CFileItemInfo::SetText7(const wchar_t* text) { m_data->text7 = text; }
void CFileItemInfo::SetShortName(const wchar_t* name) { m_data->SetShortName(name); }

const wchar_t* CFileItemInfo::GetUniqueName(int generate) {
    if (generate && m_data->uniqueName.IsEmpty()) {
        KVX::CUniqueFileName naming;
        naming.NameForMode3(this);
    }
    return m_data->uniqueName.GetString();
}

void CFileItemInfo::SetUniqueName(const wchar_t* name) { m_data->uniqueName = name; }

const wchar_t* CFileItemInfo::GetMode1Name() const {
    ReportAssertion(0, kSourceFile, __LINE__);
    return L"";
}

int CFileItemInfo::SetMode1Name(const wchar_t* name) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

const wchar_t* CFileItemInfo::GetMode2Name() const {
    ReportAssertion(0, kSourceFile, __LINE__);
    return L"";
}

int CFileItemInfo::SetMode2Name(const wchar_t* name) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

void CFileItemInfo::SetRecordedTime(const CBasicDateTime& time) { m_data->recordedTime = time; }
void CFileItemInfo::SetCreationTime(const CBasicDateTime& time) { m_data->creationTime = time; }
void CFileItemInfo::SetLastWriteTime(const CBasicDateTime& time) { m_data->lastWriteTime = time; }
ULONGLONG CFileItemInfo::GetNumberA() const { return m_data->numberA; }
void CFileItemInfo::SetNumberA(ULONGLONG value) { m_data->numberA = value; }
ULONGLONG CFileItemInfo::GetNumberB() const { return m_data->numberB; }
void CFileItemInfo::SetNumberB(ULONGLONG value) { m_data->numberB = value; }

int CFileItemInfo::HasFileChild() const {
    for (const CFileItemInfo* child = m_data->firstChild; child; child = child->GetNextSibling())
        if (!child->IsDirectory()) return 1;
    return 0;
}

int CFileItemInfo::IsDirectory() const { return (m_data->attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0; }
void CFileItemInfo::SetAttributes(DWORD attributes) { m_data->attributes = attributes; }
void CFileItemInfo::SetText5(const wchar_t* text) { m_data->text5 = text; }
void CFileItemInfo::SetText6(const wchar_t* text) { m_data->text6 = text; }
DWORD CFileItemInfo::GetWordA() const { return m_data->wordA; }
void CFileItemInfo::SetWordA(DWORD value) { m_data->wordA = value; }

const wchar_t* CFileItemInfo::GetFullPath() {
    CBasicString path;
    for (const CFileItemInfo* item = this; item; item = item->GetParent()) {
        CBasicString name = item->GetName();
        name.TrimRightChar(L'/');
        path = item == this ? name : name + L'/' + path;
    }
    path.TrimRightChar(L'/');
    m_data->fullPath = path;
    return m_data->fullPath.GetString();
}

ULONGLONG CFileItemInfo::GetBlockOffset(int type) const {
    return type == kSecurityBlock ? m_data->securityOffset : type == kReparseBlock ? m_data->reparseOffset : 0;
}

void CFileItemInfo::SetBlockOffset(ULONGLONG offset, int type) {
    if (type == kSecurityBlock) m_data->securityOffset = offset;
    else if (type == kReparseBlock) m_data->reparseOffset = offset;
}

DWORD CFileItemInfo::GetWordB() const { return m_data->wordB; }
void CFileItemInfo::SetWordB(DWORD value) { m_data->wordB = value; }
KVX::CAbstractUniqueFileName* CFileItemInfo::GetNamingOptions() { return m_data->namingOptions.get(); }
const FILE_ITEM_EXTRA* CFileItemInfo::GetExtraRecord() const { return m_data->extra.get(); }

void CFileItemInfo::SetExtraRecord(const FILE_ITEM_EXTRA* extra) {
    if (extra) m_data->extra = std::make_unique<FILE_ITEM_EXTRA>(*extra);
    else m_data->extra.reset();
}

void CFileItemInfo::VisitChildren(CAbstractItemVisitor* visitor) {
    ReportAssertion(visitor != nullptr, kSourceFile, __LINE__);
    if (!visitor) return;
    for (CFileItemInfo* child = m_data->firstChild; child; child = child->GetNextSibling())
        if (visitor->AcceptItem(child) && visitor->KeepVisiting()) child->VisitChildren(visitor);
}

const char* CFileItemInfo::GetAnsiRelativePath() {
    char separator = TestFlags(CFileItemData::kFlagForwardSlashes) ? '/' : '\\';
    std::string path;
    for (const CFileItemInfo* item = this; item && item->GetParent(); item = item->GetParent())
        path = item == this ? std::string(item->GetAnsiShortName())
                            : std::string(item->GetAnsiShortName()) + separator + path;
    m_data->ansiRelativePath = path;
    return m_data->ansiRelativePath.c_str();
}

void CFileItemInfo::SetFlags2Recursive(DWORD setMask, DWORD clearMask) {
    m_data->flags2 = (m_data->flags2 | setMask) & ~clearMask;
    for (CFileItemInfo* child = m_data->firstChild; child; child = child->GetNextSibling())
        child->SetFlags2Recursive(setMask, clearMask);
}

std::set<std::wstring>& CFileItemInfo::GetStreamNames() { return m_data->streamNames; }
const std::set<std::wstring>& CFileItemInfo::GetStreamNames() const { return m_data->streamNames; }
