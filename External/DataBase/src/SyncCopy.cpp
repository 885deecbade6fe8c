#include "SyncCopy.h"

#include <zlib.h>

#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "DataBase/DataBaseResult.h"
#include "StoredWords.h"
#include "SyncExchange.h"
#include "utility/TextCodec.h"

using nlohmann::json;

namespace {

// The format written; the first (without times of change, removals or
// version) is still read.
constexpr int kCopyFormat = 2;
constexpr int kFirstCopyFormat = 1;
// The largest version number (JSON numbers are exact to 2^53).
constexpr int64_t kMaxVersion = (int64_t(1) << 53) - 1;
// A copy that inflates beyond this is refused.
constexpr size_t kMaxCopyBytes = 512u << 20;
// Entries between two looks at the progress interface.
constexpr size_t kEntriesPerCheck = 256;

std::wstring Wide(const std::string& text)
{
    return Utf8ToWide(text);
}

CBasicString Basic(const std::wstring& text)
{
    return CBasicString(text.c_str(), static_cast<int>(text.size()));
}

bool IsDigits(const std::string& text, size_t from, size_t count, int& value)
{
    value = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// "YYYY-MM-DD" of a day that exists, at the start of text.
bool IsDay(const std::string& text)
{
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int year, month, day;
    if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !IsDigits(text, 0, 4, year) ||
        !IsDigits(text, 5, 2, month) || !IsDigits(text, 8, 2, day) || month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1])
        return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month != 2 || day <= 28 || leap;
}

bool IsDate(const std::string& text)
{
    return text.empty() || (text.size() == 10 && IsDay(text));
}

}  // namespace

bool IsSyncStamp(const std::string& text)
{
    // YYYY-MM-DDTHH:MM:SS[.fraction]Z
    int hour, minute, second;
    if (text.size() < 20 || text.size() > 30 || !IsDay(text) || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || !IsDigits(text, 11, 2, hour) || !IsDigits(text, 14, 2, minute) ||
        !IsDigits(text, 17, 2, second) || hour > 23 || minute > 59 || second > 60 || text.back() != 'Z')
        return false;
    if (text.size() == 20)
        return true;
    int fraction;
    return text[19] == '.' && text.size() > 21 && IsDigits(text, 20, text.size() - 21, fraction);
}

namespace {

bool IsGuid(const std::string& text)
{
    if (text.empty() || text.size() > 64)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-'))
            return false;
    return true;
}

bool ReadInt(const json& value, int64_t low, int64_t high, int& out)
{
    int64_t number;
    if (value.is_number_unsigned()) {
        uint64_t unsignedNumber = value.get<uint64_t>();
        if (unsignedNumber > static_cast<uint64_t>(high))
            return false;
        number = static_cast<int64_t>(unsignedNumber);
    } else if (value.is_number_integer()) {
        number = value.get<int64_t>();
    } else {
        return false;
    }
    if (number < low || number > high)
        return false;
    out = static_cast<int>(number);
    return true;
}

bool ReadText(const json& value, bool allowEmpty, std::wstring& out)
{
    if (!value.is_string())
        return false;
    const std::string& text = value.get_ref<const std::string&>();
    if (text.empty() && !allowEmpty)
        return false;
    out = Wide(text);
    return allowEmpty || !out.empty();
}

bool ReadDate(const json& value, std::wstring& out)
{
    if (!value.is_string() || !IsDate(value.get_ref<const std::string&>()))
        return false;
    out = Wide(value.get_ref<const std::string&>());
    return true;
}

// The member of an object; null for a missing member.
const json& Member(const json& object, const char* name)
{
    static const json kNone;
    auto found = object.find(name);
    return found == object.end() ? kNone : *found;
}

const json& EmptyArray()
{
    static const json kEmpty = json::array();
    return kEmpty;
}

// A time of change; empty only where allowEmpty (an entry or list from
// before such times were kept).
bool ReadStamp(const json& value, bool allowEmpty, std::string& out)
{
    if (!value.is_string())
        return false;
    const std::string& text = value.get_ref<const std::string&>();
    if (!(text.empty() ? allowEmpty : IsSyncStamp(text)))
        return false;
    out = text;
    return true;
}

bool ReadEntry(const json& row, int format, int64_t lastLanguage, int64_t lastType, SyncEntry& entry)
{
    return row.is_array() && row.size() == (format == 1 ? 8u : 9u) && ReadText(row[0], false, entry.word) &&
           ReadInt(row[1], 0, lastLanguage, entry.wordLanguage) && ReadText(row[2], false, entry.meaning) &&
           ReadInt(row[3], 0, lastLanguage, entry.meaningLanguage) && ReadInt(row[4], -1, lastType, entry.type) &&
           ReadInt(row[5], 0, 5, entry.status) && ReadDate(row[6], entry.enteredDate) &&
           ReadDate(row[7], entry.statusDate) && (format == 1 || ReadStamp(row[8], true, entry.changed));
}

bool ReadRemoved(const json& row, int64_t lastLanguage, SyncRemoved& removed)
{
    return row.is_array() && row.size() == 5 && ReadText(row[0], false, removed.word) &&
           ReadInt(row[1], 0, lastLanguage, removed.wordLanguage) && ReadText(row[2], false, removed.meaning) &&
           ReadInt(row[3], 0, lastLanguage, removed.meaningLanguage) && ReadStamp(row[4], false, removed.changed);
}

bool ReadGuid(const json& value, std::set<std::string>& guids, std::string& out)
{
    if (!value.is_string() || !IsGuid(value.get_ref<const std::string&>()))
        return false;
    out = value.get<std::string>();
    return guids.insert(out).second;
}

bool ReadCopy(const json& document, SyncCopy& copy)
{
    if (!document.is_object())
        return false;
    int format = 0;
    if (!ReadInt(Member(document, "format"), kFirstCopyFormat, kCopyFormat, format))
        return false;
    if (format > 1) {
        const json& version = Member(document, "version");
        if (!version.is_number_integer() || version.get<int64_t>() < 0 || version.get<int64_t>() > kMaxVersion)
            return false;
        copy.version = version.get<int64_t>();
    }
    const json& languages = Member(document, "languages");
    const json& types = Member(document, "types");
    const json& lists = Member(document, "lists");
    const json& deleted = format == 1 ? EmptyArray() : Member(document, "deleted");
    if (!languages.is_array() || !types.is_array() || !lists.is_array() || !deleted.is_array())
        return false;
    for (const json& item : languages) {
        SyncLanguage language;
        if (!item.is_object() || !ReadText(Member(item, "name"), false, language.name) ||
            !ReadText(Member(item, "code"), true, language.code) ||
            !ReadInt(Member(item, "rtl"), 0, 1, language.rightToLeft))
            return false;
        copy.languages.push_back(std::move(language));
    }
    for (const json& item : types) {
        SyncMeanType type;
        if (!item.is_object() || !ReadText(Member(item, "name"), false, type.name) ||
            !ReadText(Member(item, "value"), true, type.value))
            return false;
        copy.types.push_back(std::move(type));
    }
    int64_t lastLanguage = static_cast<int64_t>(copy.languages.size()) - 1;
    int64_t lastType = static_cast<int64_t>(copy.types.size()) - 1;
    std::set<std::string> guids;
    for (const json& item : lists) {
        SyncList list;
        if (!item.is_object())
            return false;
        const json& entries = Member(item, "entries");
        const json& removed = format == 1 ? EmptyArray() : Member(item, "removed");
        if (!ReadGuid(Member(item, "guid"), guids, list.guid) || !ReadText(Member(item, "name"), false, list.name) ||
            !ReadText(Member(item, "text"), true, list.secondText) ||
            !ReadInt(Member(item, "from"), 0, lastLanguage, list.fromLanguage) ||
            !ReadInt(Member(item, "to"), 0, lastLanguage, list.toLanguage) ||
            !ReadInt(Member(item, "editable"), 0, 1, list.editable) ||
            !ReadInt(Member(item, "extra"), INT32_MIN, INT32_MAX, list.extra) || !entries.is_array() ||
            !removed.is_array() || (format > 1 && !ReadStamp(Member(item, "changed"), true, list.changed)))
            return false;
        list.entries.reserve(entries.size());
        for (const json& row : entries) {
            SyncEntry entry;
            if (!ReadEntry(row, format, lastLanguage, lastType, entry))
                return false;
            list.entries.push_back(std::move(entry));
        }
        for (const json& row : removed) {
            SyncRemoved entry;
            if (!ReadRemoved(row, lastLanguage, entry))
                return false;
            list.removed.push_back(std::move(entry));
        }
        copy.lists.push_back(std::move(list));
    }
    for (const json& item : deleted) {
        SyncDeletedList list;
        if (!item.is_object() || !ReadGuid(Member(item, "guid"), guids, list.guid) ||
            !ReadStamp(Member(item, "changed"), false, list.changed))
            return false;
        copy.deleted.push_back(std::move(list));
    }
    return true;
}

bool Inflate(const std::string& deflated, std::string& text)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
    stream.avail_in = static_cast<uInt>(deflated.size());
    std::string piece(256 * 1024, '\0');
    int rc = Z_OK;
    while (rc == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(piece.data());
        stream.avail_out = static_cast<uInt>(piece.size());
        rc = inflate(&stream, Z_NO_FLUSH);
        size_t produced = piece.size() - stream.avail_out;
        if (text.size() + produced > kMaxCopyBytes) {
            rc = Z_MEM_ERROR;
            break;
        }
        text.append(piece.data(), produced);
        // Z_BUF_ERROR: the input ends before the stream does.
    }
    bool whole = rc == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    return whole;
}

// The id of the language of that name (case ignored), added when missing.
int LanguageId(SqliteConnection& connection, const SyncLanguage& language)
{
    std::wstring fold = FoldText(language.name);
    {
        SqlStatement find(connection, "SELECT id FROM language WHERE fold = ?1");
        find.Bind(1, fold);
        if (find.Step())
            return find.Int(0);
    }
    SqlStatement insert(connection, "INSERT INTO language(name, fold, code, rtl) VALUES (?1, ?2, ?3, ?4)");
    insert.Bind(1, language.name).Bind(2, fold).Bind(3, language.code).Bind(4, language.rightToLeft);
    insert.Run();
    return static_cast<int>(connection.LastInsertId());
}

// The id of the meaning type of that name (case ignored), added when
// missing.
int MeanTypeId(SqliteConnection& connection, const SyncMeanType& type)
{
    std::wstring fold = FoldText(type.name);
    {
        SqlStatement find(connection, "SELECT id, name FROM mean_type ORDER BY id");
        while (find.Step())
            if (FoldText(find.Text(1)) == fold)
                return find.Int(0);
    }
    SqlStatement insert(connection, "INSERT INTO mean_type(name, value) VALUES (?1, ?2)");
    insert.Bind(1, type.name).Bind(2, type.value);
    insert.Run();
    return static_cast<int>(connection.LastInsertId());
}

// The list of the copy's guid takes the copy's head, or is added: its id.
int64_t StoreList(SqliteConnection& connection, const SyncList& list, int fromLanguage, int toLanguage)
{
    {
        SqlStatement update(connection,
                            "UPDATE vocab_list SET name = ?2, fold = ?3, second_text = ?4, editable = ?5, extra = ?6,"
                            " changed = ?7 WHERE guid = ?1 RETURNING id");
        update.BindUtf8(1, list.guid).Bind(2, list.name).Bind(3, FoldText(list.name)).Bind(4, list.secondText);
        update.Bind(5, list.editable).Bind(6, list.extra).BindUtf8(7, list.changed);
        if (update.Step())
            return update.Int64(0);
    }
    SqlStatement insert(connection,
                        "INSERT INTO vocab_list(guid, name, fold, second_text, from_language, to_language, editable, extra,"
                        " changed) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    insert.BindUtf8(1, list.guid).Bind(2, list.name).Bind(3, FoldText(list.name)).Bind(4, list.secondText);
    insert.Bind(5, fromLanguage).Bind(6, toLanguage).Bind(7, list.editable).Bind(8, list.extra);
    insert.BindUtf8(9, list.changed);
    insert.Run();
    return connection.LastInsertId();
}

// The entry of the copy's word and meaning takes the copy's status, dates
// and time of change, or is added.
int StoreEntry(SqliteConnection& connection, int64_t listId, const SyncEntry& entry, int wordLanguage,
               int meaningLanguage, int type)
{
    WordKeyRecord word;
    word.text = Basic(entry.word);
    word.language = wordLanguage;
    int rc = StoreWord(connection, word);
    if (rc != DATABASE_OK)
        return rc;

    MeaningRecord meaning;
    {
        // A meaning the file has keeps its own type.
        SqlStatement find(connection,
                          "SELECT id FROM meaning WHERE word_id = ?1 AND language_id = ?2 AND fold = ?3 ORDER BY id LIMIT 1");
        find.Bind(1, word.id).Bind(2, meaningLanguage).Bind(3, FoldText(entry.meaning));
        if (find.Step())
            meaning.id = find.Int64(0);
    }
    if (!meaning.id) {
        meaning.text = Basic(entry.meaning);
        meaning.language = meaningLanguage;
        meaning.type = type;
        rc = StoreMeaning(connection, word.id, meaning);
        if (rc != DATABASE_OK)
            return rc;
    }

    SqlStatement find(connection,
                      "SELECT id, status, date_entered, date_status, changed FROM list_entry"
                      " WHERE list_id = ?1 AND word_id = ?2 AND meaning_id = ?3");
    find.Bind(1, listId).Bind(2, word.id).Bind(3, meaning.id);
    if (!find.Step()) {
        SqlStatement insert(connection,
                            "INSERT INTO list_entry(list_id, word_id, meaning_id, status, date_entered, date_status,"
                            " changed) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        insert.Bind(1, listId).Bind(2, word.id).Bind(3, meaning.id).Bind(4, entry.status);
        insert.Bind(5, entry.enteredDate).Bind(6, entry.statusDate).BindUtf8(7, entry.changed);
        insert.Run();
        return DATABASE_OK;
    }
    if (find.Int(1) == entry.status && find.Text(2) == entry.enteredDate && find.Text(3) == entry.statusDate &&
        WideToUtf8(find.Text(4)) == entry.changed)
        return DATABASE_OK;
    int64_t linkId = find.Int64(0);
    SqlStatement update(connection,
                        "UPDATE list_entry SET status = ?2, date_entered = ?3, date_status = ?4, changed = ?5 WHERE id = ?1");
    update.Bind(1, linkId).Bind(2, entry.status).Bind(3, entry.enteredDate).Bind(4, entry.statusDate);
    update.BindUtf8(5, entry.changed);
    update.Run();
    return DATABASE_OK;
}

// Removes the entry of the removal's word and meaning (folded texts) from
// the list.
void RemoveEntry(SqliteConnection& connection, int64_t listId, const SyncRemoved& removed, int wordLanguage,
                 int meaningLanguage)
{
    SqlStatement remove(connection,
                        "DELETE FROM list_entry WHERE list_id = ?1 AND meaning_id IN (SELECT m.id FROM word w"
                        " JOIN meaning m ON m.word_id = w.id WHERE w.language_id = ?2 AND w.fold = ?3"
                        " AND m.language_id = ?4 AND m.fold = ?5)");
    remove.Bind(1, listId).Bind(2, wordLanguage).Bind(3, FoldText(removed.word)).Bind(4, meaningLanguage);
    remove.Bind(5, FoldText(removed.meaning));
    remove.Run();
}

// Keeps the record of a removal (word empty for a removed list).
void KeepRemoval(SqliteConnection& connection, const std::string& guid, int wordLanguage, const std::wstring& word,
                 int meaningLanguage, const std::wstring& meaning, const std::string& changed)
{
    SqlStatement keep(connection,
                      "INSERT OR REPLACE INTO sync_deleted(list_guid, word_language, word, meaning_language, meaning,"
                      " stamp) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    keep.BindUtf8(1, guid).Bind(2, wordLanguage).Bind(3, word).Bind(4, meaningLanguage).Bind(5, meaning);
    keep.BindUtf8(6, changed);
    keep.Run();
}

void ForgetRemovals(SqliteConnection& connection, const std::string& guid)
{
    SqlStatement forget(connection, "DELETE FROM sync_deleted WHERE list_guid = ?1");
    forget.BindUtf8(1, guid);
    forget.Run();
}

// JSON text: numbers, and texts as UTF-8 with the characters JSON needs
// escaped (a code point that is no character becomes U+FFFD).
struct JsonWriter {
    std::string text;
    JsonWriter& Raw(const char* part)
    {
        text += part;
        return *this;
    }
    JsonWriter& Int(long long number)
    {
        text += std::to_string(number);
        return *this;
    }
    JsonWriter& Text(const std::wstring& value)
    {
        static const char kHex[] = "0123456789abcdef";
        text += '"';
        for (wchar_t c : value) {
            uint32_t code = static_cast<uint32_t>(c);
            if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                code = 0xFFFD;
            if (code == '"' || code == '\\') {
                text += '\\';
                text += static_cast<char>(code);
            } else if (code < 0x20) {
                text += "\\u00";
                text += kHex[code >> 4];
                text += kHex[code & 15];
            } else if (code < 0x80) {
                text += static_cast<char>(code);
            } else if (code < 0x800) {
                text += static_cast<char>(0xC0 | (code >> 6));
                text += static_cast<char>(0x80 | (code & 0x3F));
            } else if (code < 0x10000) {
                text += static_cast<char>(0xE0 | (code >> 12));
                text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                text += static_cast<char>(0x80 | (code & 0x3F));
            } else {
                text += static_cast<char>(0xF0 | (code >> 18));
                text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
                text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                text += static_cast<char>(0x80 | (code & 0x3F));
            }
        }
        text += '"';
        return *this;
    }
};

}  // namespace

int ReadSyncCopy(SqliteConnection& connection, SyncProgress& progress, SyncCopy& copy)
{
    connection.Run("UPDATE vocab_list SET guid = lower(hex(randomblob(16))) WHERE guid IS NULL");

    std::map<int, int> languageIndex, typeIndex;  // stored id -> index in the copy
    std::map<int, SyncLanguage> languages;
    std::map<int, SyncMeanType> types;
    {
        SqlStatement read(connection, "SELECT id, name, code, rtl FROM language");
        while (read.Step())
            languages[read.Int(0)] = SyncLanguage{read.Text(1), read.Text(2), read.Int(3) ? 1 : 0};
    }
    {
        SqlStatement read(connection, "SELECT id, name, value FROM mean_type");
        while (read.Step())
            types[read.Int(0)] = SyncMeanType{read.Text(1), read.Text(2)};
    }
    auto language = [&](int id) {
        auto known = languageIndex.find(id);
        if (known != languageIndex.end())
            return known->second;
        SyncLanguage entry = languages.count(id) ? languages[id] : SyncLanguage{L"Language " + std::to_wstring(id), L"", 0};
        copy.languages.push_back(entry);
        return languageIndex[id] = static_cast<int>(copy.languages.size()) - 1;
    };
    auto type = [&](int id) {
        if (!types.count(id))
            return -1;
        auto known = typeIndex.find(id);
        if (known != typeIndex.end())
            return known->second;
        copy.types.push_back(types[id]);
        return typeIndex[id] = static_cast<int>(copy.types.size()) - 1;
    };

    std::vector<std::pair<int64_t, SyncList>> lists;
    {
        SqlStatement read(connection,
                          "SELECT id, guid, name, second_text, from_language, to_language, editable, extra, changed"
                          " FROM vocab_list ORDER BY id");
        while (read.Step()) {
            SyncList list;
            list.guid = WideToUtf8(read.Text(1));
            list.name = read.Text(2);
            list.secondText = read.Text(3);
            list.fromLanguage = language(read.Int(4));
            list.toLanguage = language(read.Int(5));
            list.editable = read.Int(6) ? 1 : 0;
            list.extra = read.Int(7);
            list.changed = WideToUtf8(read.Text(8));
            lists.emplace_back(read.Int64(0), std::move(list));
        }
    }
    std::map<std::string, SyncList*> byGuid;
    for (auto& [id, list] : lists)
        byGuid[list.guid] = &list;
    {
        SqlStatement read(connection,
                          "SELECT list_guid, word_language, word, meaning_language, meaning, stamp FROM sync_deleted"
                          " ORDER BY rowid");
        while (read.Step()) {
            std::string guid = WideToUtf8(read.Text(0));
            auto alive = byGuid.find(guid);
            std::string changed = WideToUtf8(read.Text(5));
            std::wstring word = read.Text(2);
            if (word.empty()) {
                if (alive == byGuid.end())
                    copy.deleted.push_back({guid, changed});
            } else if (alive != byGuid.end()) {
                alive->second->removed.push_back(
                    {word, language(read.Int(1)), read.Text(4), language(read.Int(3)), changed});
            }
        }
    }
    long long number = 0;
    for (auto& [id, list] : lists) {
        progress.Report(1, list.name, ++number, static_cast<long long>(lists.size()));
        if (progress.Cancelled())
            return DATABASE_CANCELLED;
        SqlStatement read(connection,
                          "SELECT w.text, w.language_id, m.text, m.language_id, m.type_id, e.status, e.date_entered,"
                          " e.date_status, e.changed FROM list_entry e JOIN word w ON w.id = e.word_id"
                          " JOIN meaning m ON m.id = e.meaning_id WHERE e.list_id = ?1 ORDER BY e.id");
        read.Bind(1, id);
        while (read.Step()) {
            SyncEntry entry;
            entry.word = read.Text(0);
            entry.wordLanguage = language(read.Int(1));
            entry.meaning = read.Text(2);
            entry.meaningLanguage = language(read.Int(3));
            entry.type = type(read.Int(4));
            entry.status = read.Int(5);
            entry.enteredDate = read.Text(6);
            entry.statusDate = read.Text(7);
            entry.changed = WideToUtf8(read.Text(8));
            list.entries.push_back(std::move(entry));
        }
        copy.lists.push_back(std::move(list));
    }
    return DATABASE_OK;
}

int StoreSyncCopy(SqliteConnection& connection, const SyncCopy& merged, SyncProgress& progress)
{
    std::vector<int> languageIds, typeIds;
    for (const SyncLanguage& language : merged.languages)
        languageIds.push_back(LanguageId(connection, language));
    for (const SyncMeanType& type : merged.types)
        typeIds.push_back(MeanTypeId(connection, type));
    for (const SyncDeletedList& deleted : merged.deleted) {
        SqlStatement remove(connection, "DELETE FROM vocab_list WHERE guid = ?1");
        remove.BindUtf8(1, deleted.guid);
        remove.Run();
        ForgetRemovals(connection, deleted.guid);
        KeepRemoval(connection, deleted.guid, 0, std::wstring(), 0, std::wstring(), deleted.changed);
    }
    long long number = 0;
    for (const SyncList& list : merged.lists) {
        progress.Report(1, list.name, ++number, static_cast<long long>(merged.lists.size()));
        if (progress.Cancelled())
            return DATABASE_CANCELLED;
        int64_t listId = StoreList(connection, list, languageIds[list.fromLanguage], languageIds[list.toLanguage]);
        for (size_t i = 0; i < list.entries.size(); ++i) {
            if (i % kEntriesPerCheck == kEntriesPerCheck - 1 && progress.Cancelled())
                return DATABASE_CANCELLED;
            const SyncEntry& entry = list.entries[i];
            int rc = StoreEntry(connection, listId, entry, languageIds[entry.wordLanguage],
                                languageIds[entry.meaningLanguage], entry.type < 0 ? 0 : typeIds[entry.type]);
            if (rc != DATABASE_OK)
                return rc;
        }
        for (const SyncRemoved& removed : list.removed)
            RemoveEntry(connection, listId, removed, languageIds[removed.wordLanguage],
                        languageIds[removed.meaningLanguage]);
        // The file keeps the merged records of removals, with their times.
        ForgetRemovals(connection, list.guid);
        for (const SyncRemoved& removed : list.removed)
            KeepRemoval(connection, list.guid, languageIds[removed.wordLanguage], FoldText(removed.word),
                        languageIds[removed.meaningLanguage], FoldText(removed.meaning), removed.changed);
    }
    return DATABASE_OK;
}

std::string EncodeSyncCopy(const SyncCopy& copy)
{
    JsonWriter out;
    out.Raw("{\"format\":").Int(kCopyFormat).Raw(",\"version\":").Int(copy.version).Raw(",\"languages\":[");
    for (size_t i = 0; i < copy.languages.size(); ++i) {
        const SyncLanguage& language = copy.languages[i];
        out.Raw(i ? ",{\"name\":" : "{\"name\":").Text(language.name).Raw(",\"code\":").Text(language.code);
        out.Raw(",\"rtl\":").Int(language.rightToLeft).Raw("}");
    }
    out.Raw("],\"types\":[");
    for (size_t i = 0; i < copy.types.size(); ++i) {
        const SyncMeanType& type = copy.types[i];
        out.Raw(i ? ",{\"name\":" : "{\"name\":").Text(type.name).Raw(",\"value\":").Text(type.value).Raw("}");
    }
    out.Raw("],\"lists\":[");
    for (size_t i = 0; i < copy.lists.size(); ++i) {
        const SyncList& list = copy.lists[i];
        out.Raw(i ? ",{\"guid\":" : "{\"guid\":").Text(Wide(list.guid)).Raw(",\"name\":").Text(list.name);
        out.Raw(",\"text\":").Text(list.secondText).Raw(",\"from\":").Int(list.fromLanguage);
        out.Raw(",\"to\":").Int(list.toLanguage).Raw(",\"editable\":").Int(list.editable);
        out.Raw(",\"extra\":").Int(list.extra).Raw(",\"changed\":").Text(Wide(list.changed)).Raw(",\"entries\":[");
        for (size_t j = 0; j < list.entries.size(); ++j) {
            const SyncEntry& entry = list.entries[j];
            out.Raw(j ? ",[" : "[").Text(entry.word).Raw(",").Int(entry.wordLanguage).Raw(",").Text(entry.meaning);
            out.Raw(",").Int(entry.meaningLanguage).Raw(",").Int(entry.type).Raw(",").Int(entry.status);
            out.Raw(",").Text(entry.enteredDate).Raw(",").Text(entry.statusDate).Raw(",").Text(Wide(entry.changed));
            out.Raw("]");
        }
        out.Raw("],\"removed\":[");
        for (size_t j = 0; j < list.removed.size(); ++j) {
            const SyncRemoved& removed = list.removed[j];
            out.Raw(j ? ",[" : "[").Text(removed.word).Raw(",").Int(removed.wordLanguage).Raw(",").Text(removed.meaning);
            out.Raw(",").Int(removed.meaningLanguage).Raw(",").Text(Wide(removed.changed)).Raw("]");
        }
        out.Raw("]}");
    }
    out.Raw("],\"deleted\":[");
    for (size_t i = 0; i < copy.deleted.size(); ++i) {
        const SyncDeletedList& deleted = copy.deleted[i];
        out.Raw(i ? ",{\"guid\":" : "{\"guid\":").Text(Wide(deleted.guid)).Raw(",\"changed\":");
        out.Text(Wide(deleted.changed)).Raw("}");
    }
    out.Raw("]}");
    const std::string& text = out.text;

    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string deflated(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(deflated.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
                  static_cast<uLong>(text.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
        return std::string();
    deflated.resize(size);
    return deflated;
}

bool DecodeSyncCopy(const std::string& deflated, SyncCopy& copy)
{
    copy = SyncCopy();
    std::string text;
    if (!Inflate(deflated, text))
        return false;
    json document = json::parse(text, nullptr, false);
    if (document.is_discarded())
        return false;
    SyncCopy read;
    if (!ReadCopy(document, read))
        return false;
    copy = std::move(read);
    return true;
}
