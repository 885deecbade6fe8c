#include "Quenzel/Tutor/VocabularyListFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cwctype>
#include <map>

#include "DataBase/AbstractDataBase.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/App/TextFile.h"
#include "Quenzel/Tutor/Model/ReplacingFile.h"
#include "compat/WinUser.h"
#include "utility/CsvField.h"
#include "utility/ErrorReport.h"
#include "utility/PathName.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\VocabularyListFile";
// A list file larger than this is refused rather than read into memory.
constexpr int64_t kMaxImportBytes = int64_t(256) << 20;
constexpr int kReportEvery = 100;

std::wstring TrimField(const std::string& bytes, bool quoted) {
    std::wstring text = Utf8ToWide(bytes);
    auto isSpace = [](wchar_t ch) { return std::iswspace(static_cast<wint_t>(ch)) != 0; };
    size_t first = 0, last = text.size();
    while (first < last && isSpace(text[first])) ++first;
    while (last > first && isSpace(text[last - 1])) --last;
    if (!quoted) {
        while (first < last && text[first] == L'"') ++first;
        while (last > first && text[last - 1] == L'"') --last;
    }
    return text.substr(first, last - first);
}

// The text up to a zero byte (a line's text ends there).
std::string UpToZero(const std::string& line) {
    const size_t zero = line.find('\0');
    return zero == std::string::npos ? line : line.substr(0, zero);
}

int SplitTabLine(const std::string& line, ImportedPair& pair) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) return 0;
    std::string meaning;
    bool lastDropped = true;  // the separator itself
    for (size_t i = tab + 1; i < line.size(); ++i) {
        if (line[i] != '\t') {
            meaning += line[i];
            lastDropped = false;
        } else if (lastDropped) {
            meaning += '\t';
            lastDropped = false;
        } else {
            lastDropped = true;
        }
    }
    pair.word = TrimField(line.substr(0, tab), false);
    pair.meaning = TrimField(meaning, false);
    pair.type.clear();
    return 1;
}

int SplitCommaLine(const std::string& line, ImportedPair& pair) {
    std::wstring* fields[] = {&pair.word, &pair.meaning, &pair.type};
    const unsigned length = static_cast<unsigned>(line.size());
    unsigned pos = 0;
    std::vector<char> out;
    for (std::wstring* field : fields) {
        field->clear();
        if (pos >= length) continue;
        const bool quoted = line[pos] == '"';
        ReadCsvField(line.data(), length, pos, ',', out);
        *field = TrimField(std::string(out.data()), quoted);
    }
    return 1;
}

// Whether a comma line ends inside a quoted field.
bool EndsInsideQuotes(const std::string& line) {
    bool fieldStart = true, quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (quoted) {
            if (ch != '"') continue;
            if (i + 1 < line.size() && line[i + 1] == '"') ++i;
            else quoted = false;
        } else if (fieldStart && ch == '"') {
            quoted = true;
            fieldStart = false;
        } else {
            fieldStart = ch == ',';
        }
    }
    return quoted;
}

void SetEnd(WorkerResult& end, UINT id, UINT flags, const wchar_t* path) {
    end.flags = flags;
    end.text.Format(QuenzelString(id).GetString(), path ? path : L"");
}

// Finds the first line longer than kMaxImportLineBytes while the file is
// read, so that such a file is refused before the rest of it is read. A
// line end is an LF code unit of the file's text type (a byte, or two bytes
// at an even offset for UTF-16).
class CLineBound {
public:
    explicit CLineBound(int textType)
        : m_unit(textType == TEXT_TYPE_UTF16_BE_BOM || textType == TEXT_TYPE_UTF16_LE_BOM ||
                         textType == TEXT_TYPE_UTF16_LE
                     ? 2
                     : 1),
          m_bigEndian(textType == TEXT_TYPE_UTF16_BE_BOM) {}

    // The 1-based number of the first overlong line in the bytes read so
    // far (data is the next piece of the file), 0 while there is none.
    int Scan(const char* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            const unsigned byte = static_cast<unsigned char>(data[i]);
            unsigned unit = byte;
            if (m_unit == 2) {
                m_odd = !m_odd;
                if (m_odd) {
                    m_first = byte;
                    continue;
                }
                unit = m_bigEndian ? (m_first << 8) | byte : (byte << 8) | m_first;
            }
            if (unit == '\n') {
                if (OwnLength() > kMaxImportLineBytes) return m_line;
                ++m_line;
                m_length = 0;
                m_lastCr = false;
                continue;
            }
            m_length += m_unit;
            m_lastCr = unit == '\r';
            // Too long even if the next unit ends the line after a CR.
            if (m_length > kMaxImportLineBytes + m_unit) return m_line;
        }
        return 0;
    }
    // The number of the last line when it has no line end and is overlong.
    int Finish() const { return OwnLength() > kMaxImportLineBytes ? m_line : 0; }

private:
    // The line's bytes so far without a CR that ends it.
    int64_t OwnLength() const { return m_length - (m_lastCr ? m_unit : 0); }

    int m_unit;
    bool m_bigEndian;
    bool m_odd = false;
    bool m_lastCr = false;
    unsigned m_first = 0;
    int m_line = 1;
    int64_t m_length = 0;
};

enum ReadResult { READ_OK, READ_FAILED, READ_LONG_LINE };

// The whole file's bytes; fails when it cannot be read or is too large,
// and stops at the first line longer than the bound (its number into
// longLine) without reading further.
ReadResult ReadImportFile(const wchar_t* path, std::string& bytes, int& longLine) {
    CLineBound bound(GetFileTextType(path));
    FILE* file = std::fopen(WideToUtf8(path).c_str(), "rb");
    if (!file) return READ_FAILED;
    ReadResult result = READ_OK;
    char buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        if (static_cast<int64_t>(bytes.size() + count) > kMaxImportBytes) {
            result = READ_FAILED;
            break;
        }
        longLine = bound.Scan(buffer, count);
        if (longLine > 0) {
            result = READ_LONG_LINE;
            break;
        }
        bytes.append(buffer, count);
    }
    if (result == READ_OK && std::ferror(file)) result = READ_FAILED;
    if (result == READ_OK && (longLine = bound.Finish()) > 0) result = READ_LONG_LINE;
    std::fclose(file);
    if (result != READ_OK) std::string().swap(bytes);
    return result;
}

} // namespace

int SplitImportLine(const std::string& line, int kind, ImportedPair& pair) {
    pair = ImportedPair{};
    const std::string text = UpToZero(line);
    ReportAssertion(!text.empty(), kSourceFile, 212);
    if (text.empty()) return 0;
    const int split = kind == LIST_FILE_TAB ? SplitTabLine(text, pair) : SplitCommaLine(text, pair);
    return split && !pair.word.empty() && !pair.meaning.empty() ? 1 : 0;
}

std::vector<std::string> SplitImportText(const std::string& text, int kind) {
    std::vector<std::string> lines;
    std::string pending;
    bool continuing = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos) end = text.size();
        if (end > start && text[end - 1] == '\r') --end;
        std::string line = text.substr(start, end - start);
        start = next;
        if (continuing) pending += '\n' + line;
        else pending = std::move(line);
        continuing = kind == LIST_FILE_COMMA && EndsInsideQuotes(pending);
        if (!continuing) lines.push_back(std::move(pending));
    }
    if (continuing) lines.push_back(std::move(pending));
    return lines;
}

int ExportVocabularyList(CAbstractDataBase* database, int64_t listId, const wchar_t* path, int kind,
                         const ListFileProgress& progress, WorkerResult& end) {
    SetEnd(end, 31143, MB_ICONERROR, path);
    if (kind != LIST_FILE_TAB && kind != LIST_FILE_COMMA) {
        ReportAssertion(0, kSourceFile, 301);
        return 0;
    }
    if (!database) {
        ReportAssertion(0, kSourceFile, 305);
        return 0;
    }
    CReplacingFile file(path);
    if (!file.IsOpen()) {
        ReportAssertion(0, kSourceFile, 310);
        return 0;
    }
    CAbstractRecordSet* set = database->QueryListPairs(listId);
    int written = 0;
    bool failed = false, cancelled = false;
    while (set && !set->IsEOF()) {
        if (!progress.IsRunning()) {
            cancelled = true;
            break;
        }
        CBasicString word, meaning;
        set->GetText(0, word);
        set->GetText(1, meaning);
        if (!file.Write(FormatListFileLine(word.GetString(), meaning.GetString(), kind))) {
            failed = true;
            break;
        }
        ++written;
        if (written % kReportEvery == 0) progress.Report(written);
        set->MoveNext();
    }
    database->ReleaseRecordSet(set);
    if (failed || written == 0 || !file.Commit()) return 0;
    progress.Report(written);
    if (cancelled) {
        SetEnd(end, 31267, MB_ICONINFORMATION, path);
        return 0;
    }
    SetEnd(end, 31144, MB_ICONINFORMATION, path);
    return 1;
}

int ImportVocabularyList(CAbstractDataBase* database, const wchar_t* path, int kind, const ListFileProgress& progress,
                         std::vector<GridRow>& rows, int* longLine) {
    if (longLine) *longLine = 0;
    if (!path || !*path || (kind != LIST_FILE_TAB && kind != LIST_FILE_COMMA)) {
        ReportAssertion(0, kSourceFile, 402);
        return 0;
    }
    // The type names of the database, by their folded text.
    std::vector<std::pair<CBasicString, int>> types;
    int defaultType = 0;
    if (database) {
        CAbstractRecordSet* set = database->QueryMeanTypes();
        while (set && !set->IsEOF()) {
            int id = 0;
            CBasicString name;
            set->GetInt(0, id);
            set->GetText(1, name);
            if (types.empty()) defaultType = id;
            types.emplace_back(name, id);
            set->MoveNext();
        }
        database->ReleaseRecordSet(set);
    }
    std::string bytes;
    int overlong = 0;
    const ReadResult read = ReadImportFile(path, bytes, overlong);
    if (read == READ_LONG_LINE) {
        if (longLine) *longLine = overlong;
        return 0;
    }
    if (read != READ_OK) {
        ReportAssertion(0, kSourceFile, 420);
        return 0;
    }
    const int type = GetTextType(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    const std::string text =
        WideToUtf8(DecodeText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), type));
    bytes.clear();

    int added = 0;
    bool stopped = false;
    for (const std::string& line : SplitImportText(text, kind)) {
        if (!progress.IsRunning()) {
            stopped = true;
            break;
        }
        ImportedPair pair;
        if (line.empty() || !SplitImportLine(line, kind, pair)) continue;
        GridRow row;
        row.word.m_text = row.word.m_secondText = pair.word.c_str();
        row.meaning.m_text = row.meaning.m_secondText = pair.meaning.c_str();
        row.typeId = defaultType;
        for (const auto& [name, id] : types)
            if (name.CompareNoCase(pair.type.c_str()) == 0) {
                row.typeId = id;
                break;
            }
        row.SetStatusB();
        row.statusChanged = 1;
        rows.push_back(std::move(row));
        if (++added % kReportEvery == 0) progress.Report(added);
    }
    progress.Report(added);
    return stopped ? 0 : 1;
}
