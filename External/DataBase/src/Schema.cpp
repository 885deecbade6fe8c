#include "Schema.h"

#include "FlagPictures.h"
#include "utility/TextCodec.h"

#include <map>
#include <mutex>
#include <set>

namespace {

const char* const kCreateVersion1 = R"SQL(
CREATE TABLE language (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    code TEXT NOT NULL DEFAULT '',
    rtl INTEGER NOT NULL DEFAULT 0,
    flag BLOB
);
CREATE UNIQUE INDEX language_fold ON language(fold);

CREATE TABLE mean_type (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    value TEXT NOT NULL DEFAULT ''
);

CREATE TABLE word (
    id INTEGER PRIMARY KEY,
    language_id INTEGER NOT NULL REFERENCES language(id),
    text TEXT NOT NULL,
    fold TEXT NOT NULL
);
CREATE UNIQUE INDEX word_language_fold ON word(language_id, fold);
CREATE INDEX word_fold ON word(fold);

CREATE TABLE meaning (
    id INTEGER PRIMARY KEY,
    word_id INTEGER NOT NULL REFERENCES word(id) ON DELETE CASCADE,
    language_id INTEGER NOT NULL REFERENCES language(id),
    text TEXT NOT NULL,
    fold TEXT NOT NULL,
    type_id INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX meaning_word ON meaning(word_id, language_id, fold);
CREATE INDEX meaning_language_fold ON meaning(language_id, fold);

CREATE TABLE relation (
    id INTEGER PRIMARY KEY,
    kind INTEGER NOT NULL,
    word_id INTEGER NOT NULL REFERENCES word(id) ON DELETE CASCADE,
    related_id INTEGER NOT NULL REFERENCES word(id) ON DELETE CASCADE
);
CREATE UNIQUE INDEX relation_pair ON relation(word_id, related_id, kind);
CREATE INDEX relation_related ON relation(related_id);

CREATE TABLE acronym (
    id INTEGER PRIMARY KEY,
    word_id INTEGER NOT NULL REFERENCES word(id) ON DELETE CASCADE,
    text TEXT NOT NULL,
    second_text TEXT NOT NULL,
    fold TEXT NOT NULL
);
CREATE INDEX acronym_word ON acronym(word_id, fold);

CREATE TABLE vocab_list (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    second_text TEXT NOT NULL DEFAULT '',
    from_language INTEGER NOT NULL REFERENCES language(id),
    to_language INTEGER NOT NULL REFERENCES language(id),
    editable INTEGER NOT NULL DEFAULT 1,
    extra INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX vocab_list_fold ON vocab_list(fold);
CREATE INDEX vocab_list_from ON vocab_list(from_language);
CREATE INDEX vocab_list_to ON vocab_list(to_language);

CREATE TABLE list_entry (
    id INTEGER PRIMARY KEY,
    list_id INTEGER NOT NULL REFERENCES vocab_list(id) ON DELETE CASCADE,
    word_id INTEGER NOT NULL REFERENCES word(id),
    meaning_id INTEGER NOT NULL REFERENCES meaning(id),
    status INTEGER NOT NULL DEFAULT 0 CHECK (status BETWEEN 0 AND 5),
    date_entered TEXT NOT NULL DEFAULT '',
    date_status TEXT NOT NULL DEFAULT ''
);
CREATE UNIQUE INDEX list_entry_pair ON list_entry(list_id, word_id, meaning_id);
CREATE INDEX list_entry_list ON list_entry(list_id);
CREATE INDEX list_entry_status ON list_entry(list_id, status);
CREATE INDEX list_entry_entered ON list_entry(list_id, date_entered);
CREATE INDEX list_entry_answered ON list_entry(list_id, date_status);
CREATE INDEX list_entry_word ON list_entry(word_id);
CREATE INDEX list_entry_meaning ON list_entry(meaning_id);

CREATE TABLE history (
    id INTEGER PRIMARY KEY,
    key TEXT NOT NULL,
    text TEXT NOT NULL,
    fold TEXT NOT NULL UNIQUE
);

CREATE TABLE pronunciation (
    id INTEGER PRIMARY KEY,
    owner_id INTEGER NOT NULL,
    side INTEGER NOT NULL,
    number INTEGER NOT NULL,
    sound BLOB NOT NULL
);
CREATE INDEX pronunciation_owner ON pronunciation(owner_id, side);

CREATE TABLE picture (
    word_id INTEGER PRIMARY KEY REFERENCES word(id) ON DELETE CASCADE,
    bytes BLOB NOT NULL
);
)SQL";

struct SeedLanguage {
    int id;
    const wchar_t* name;
    const wchar_t* code;
    int rtl;
    FlagDesign flag;
};

FlagDesign Stripes(FlagDesign::Layout layout, std::vector<uint32_t> colours, std::vector<int> weights = {})
{
    FlagDesign design;
    design.layout = layout;
    design.colours = std::move(colours);
    design.weights = std::move(weights);
    return design;
}

FlagDesign Marked(FlagDesign design, FlagDesign::Mark mark, uint32_t colour)
{
    design.mark = mark;
    design.markColour = colour;
    return design;
}

constexpr auto H = FlagDesign::kHorizontal;
constexpr auto V = FlagDesign::kVertical;

std::vector<SeedLanguage> SeedLanguages()
{
    return {
        {1, L"English", L"en", 0, Marked(Stripes(H, {0xFFFFFF}), FlagDesign::kCross, 0xC8102E)},
        {2, L"German", L"de", 0, Stripes(H, {0x000000, 0xDD0000, 0xFFCE00})},
        {3, L"French", L"fr", 0, Stripes(V, {0x0055A4, 0xFFFFFF, 0xEF4135})},
        {4, L"Spanish", L"es", 0, Stripes(H, {0xAA151B, 0xF1BF00, 0xAA151B}, {1, 2, 1})},
        {5, L"Italian", L"it", 0, Stripes(V, {0x009246, 0xFFFFFF, 0xCE2B37})},
        {6, L"Portuguese", L"pt", 0, Stripes(V, {0x006600, 0xFF0000}, {2, 3})},
        {7, L"Dutch", L"nl", 0, Stripes(H, {0xAE1C28, 0xFFFFFF, 0x21468B})},
        {8, L"Russian", L"ru", 0, Stripes(H, {0xFFFFFF, 0x0039A6, 0xD52B1E})},
        {9, L"Polish", L"pl", 0, Stripes(H, {0xFFFFFF, 0xDC143C})},
        {10, L"Swedish", L"sv", 0, Marked(Stripes(H, {0x006AA7}), FlagDesign::kNordicCross, 0xFECC00)},
        {11, L"Danish", L"da", 0, Marked(Stripes(H, {0xC8102E}), FlagDesign::kNordicCross, 0xFFFFFF)},
        {12, L"Norwegian", L"no", 0, Marked(Stripes(H, {0xBA0C2F}), FlagDesign::kNordicCross, 0x00205B)},
        {13, L"Finnish", L"fi", 0, Marked(Stripes(H, {0xFFFFFF}), FlagDesign::kNordicCross, 0x002F6C)},
        {14, L"Greek", L"el", 0, Stripes(H, {0x0D5EAF, 0xFFFFFF, 0x0D5EAF, 0xFFFFFF, 0x0D5EAF})},
        {15, L"Turkish", L"tr", 0, Marked(Stripes(H, {0xE30A17}), FlagDesign::kDisc, 0xFFFFFF)},
        {16, L"Arabic", L"ar", 1, Stripes(H, {0x007A3D, 0xFFFFFF, 0x000000})},
        {17, L"Hebrew", L"he", 1, Stripes(H, {0xFFFFFF, 0x0038B8, 0xFFFFFF, 0x0038B8, 0xFFFFFF}, {1, 1, 3, 1, 1})},
        {18, L"Chinese", L"zh", 0, Marked(Stripes(H, {0xDE2910}), FlagDesign::kDisc, 0xFFDE00)},
        {19, L"Japanese", L"ja", 0, Marked(Stripes(H, {0xFFFFFF}), FlagDesign::kDisc, 0xBC002D)},
        {20, L"Korean", L"ko", 0, Marked(Stripes(H, {0xFFFFFF}), FlagDesign::kDisc, 0x003478)},
        {21, L"Hindi", L"hi", 0, Stripes(H, {0xFF9933, 0xFFFFFF, 0x138808})},
        {22, L"Czech", L"cs", 0, Stripes(V, {0x11457E, 0xFFFFFF, 0xD7141A}, {1, 2, 2})},
        {23, L"Hungarian", L"hu", 0, Stripes(H, {0xCD2A3E, 0xFFFFFF, 0x436F4D})},
        {24, L"Romanian", L"ro", 0, Stripes(V, {0x002B7F, 0xFCD116, 0xCE1126})},
        {25, L"Ukrainian", L"uk", 0, Stripes(H, {0x0057B7, 0xFFD700})},
        {26, L"Bulgarian", L"bg", 0, Stripes(H, {0xFFFFFF, 0x00966E, 0xD62612})},
        {27, L"Croatian", L"hr", 0, Stripes(H, {0xFF0000, 0xFFFFFF, 0x171796})},
        {28, L"Latin", L"la", 0, Stripes(V, {0x6A0DAD, 0xF2C200})},
        {29, L"Picture", L"", 0, Marked(Stripes(H, {0x9CCBEF}), FlagDesign::kPictureFrame, 0x5A4632)},
        {30, L"Persian", L"fa", 1, Stripes(H, {0x239F40, 0xFFFFFF, 0xDA0000})},
        {31, L"Indonesian", L"id", 0, Stripes(H, {0xFF0000, 0xFFFFFF})},
        {32, L"Vietnamese", L"vi", 0, Marked(Stripes(H, {0xDA251D}), FlagDesign::kDisc, 0xFFFF00)},
        {33, L"Thai", L"th", 0, Stripes(H, {0xA51931, 0xF4F5F8, 0x2D2A4A, 0xF4F5F8, 0xA51931}, {1, 1, 2, 1, 1})},
        {34, L"Irish", L"ga", 0, Stripes(V, {0x169B62, 0xFFFFFF, 0xFF883E})},
        {35, L"Estonian", L"et", 0, Stripes(H, {0x0072CE, 0x000000, 0xFFFFFF})},
        {36, L"Lithuanian", L"lt", 0, Stripes(H, {0xFDB913, 0x006A44, 0xC1272D})},
        {37, L"Latvian", L"lv", 0, Stripes(H, {0x9E3039, 0xFFFFFF, 0x9E3039}, {2, 1, 2})},
        {38, L"Slovenian", L"sl", 0, Stripes(H, {0xFFFFFF, 0x005DA4, 0xED1C24})},
    };
}

void Seed(SqliteConnection& connection)
{
    for (const SeedLanguage& language : SeedLanguages()) {
        std::vector<BYTE> flag = DrawFlagPng(language.flag);
        SqlStatement insert(connection,
                            "INSERT INTO language(id, name, fold, code, rtl, flag) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        insert.Bind(1, language.id)
            .Bind(2, std::wstring(language.name))
            .Bind(3, FoldText(language.name))
            .Bind(4, std::wstring(language.code))
            .Bind(5, language.rtl)
            .BindBlob(6, flag.data(), flag.size());
        insert.Run();
    }
    static const wchar_t* const kTypes[][2] = {
        {L"Manual", L"None"}, {L"Verb", L"v."}, {L"Noun", L"n."}, {L"Adjective", L"a."}};
    int id = 1;
    for (const auto& type : kTypes) {
        SqlStatement insert(connection, "INSERT INTO mean_type(id, name, value) VALUES (?1, ?2, ?3)");
        insert.Bind(1, id++).Bind(2, std::wstring(type[0])).Bind(3, std::wstring(type[1]));
        insert.Run();
    }
}

// What synchronisation needs to merge without losing a change: the UTC time
// of each list's and entry's last change beside the day dates (which keep
// their meaning), and a record of each removed list and entry of a list
// that has travelled (it has a guid). Triggers keep both, so that every
// writer of the file keeps them; a writer that sets "changed" itself (the
// merge of a synchronisation) keeps its own time.
const char* const kSyncChanges = R"SQL(
ALTER TABLE vocab_list ADD COLUMN changed TEXT NOT NULL DEFAULT '';
ALTER TABLE list_entry ADD COLUMN changed TEXT NOT NULL DEFAULT '';
-- An entry's status date is the best time known for what came before.
UPDATE list_entry SET changed = date_status || 'T00:00:00.000Z' WHERE length(date_status) = 10;

CREATE TABLE sync_deleted (
    list_guid TEXT NOT NULL,
    word_language INTEGER NOT NULL DEFAULT 0,
    word TEXT NOT NULL DEFAULT '',
    meaning_language INTEGER NOT NULL DEFAULT 0,
    meaning TEXT NOT NULL DEFAULT '',
    stamp TEXT NOT NULL,
    PRIMARY KEY (list_guid, word_language, word, meaning_language, meaning)
);

CREATE TRIGGER vocab_list_added AFTER INSERT ON vocab_list WHEN NEW.changed = ''
BEGIN
    UPDATE vocab_list SET changed = strftime('%Y-%m-%dT%H:%M:%fZ', 'now') WHERE id = NEW.id;
END;
CREATE TRIGGER vocab_list_changed AFTER UPDATE OF name, second_text, editable, extra ON vocab_list
WHEN NEW.changed IS OLD.changed AND (NEW.name IS NOT OLD.name OR NEW.second_text IS NOT OLD.second_text
                                     OR NEW.editable IS NOT OLD.editable OR NEW.extra IS NOT OLD.extra)
BEGIN
    UPDATE vocab_list SET changed = strftime('%Y-%m-%dT%H:%M:%fZ', 'now') WHERE id = NEW.id;
END;
CREATE TRIGGER vocab_list_removed AFTER DELETE ON vocab_list WHEN OLD.guid IS NOT NULL
BEGIN
    DELETE FROM sync_deleted WHERE list_guid = OLD.guid;
    INSERT INTO sync_deleted(list_guid, stamp) VALUES (OLD.guid, strftime('%Y-%m-%dT%H:%M:%fZ', 'now'));
END;

CREATE TRIGGER list_entry_added AFTER INSERT ON list_entry WHEN NEW.changed = ''
BEGIN
    UPDATE list_entry SET changed = strftime('%Y-%m-%dT%H:%M:%fZ', 'now') WHERE id = NEW.id;
END;
-- An entry added back to its list is no longer removed, even within the
-- same millisecond as its removal.
CREATE TRIGGER list_entry_back AFTER INSERT ON list_entry
BEGIN
    DELETE FROM sync_deleted WHERE (list_guid, word_language, word, meaning_language, meaning) IN
        (SELECT l.guid, w.language_id, w.fold, m.language_id, m.fold FROM vocab_list l, word w, meaning m
         WHERE l.id = NEW.list_id AND w.id = NEW.word_id AND m.id = NEW.meaning_id);
END;
CREATE TRIGGER list_entry_changed AFTER UPDATE OF status, date_status, word_id, meaning_id ON list_entry
WHEN NEW.changed IS OLD.changed
BEGIN
    UPDATE list_entry SET changed = strftime('%Y-%m-%dT%H:%M:%fZ', 'now') WHERE id = NEW.id;
END;
CREATE TRIGGER list_entry_removed AFTER DELETE ON list_entry
WHEN (SELECT guid FROM vocab_list WHERE id = OLD.list_id) IS NOT NULL
BEGIN
    INSERT OR REPLACE INTO sync_deleted(list_guid, word_language, word, meaning_language, meaning, stamp)
    SELECT l.guid, w.language_id, w.fold, m.language_id, m.fold, strftime('%Y-%m-%dT%H:%M:%fZ', 'now')
    FROM vocab_list l, word w, meaning m WHERE l.id = OLD.list_id AND w.id = OLD.word_id AND m.id = OLD.meaning_id;
END;
-- An entry given another word or meaning leaves its former pair behind.
CREATE TRIGGER list_entry_moved AFTER UPDATE OF word_id, meaning_id ON list_entry
WHEN (NEW.word_id IS NOT OLD.word_id OR NEW.meaning_id IS NOT OLD.meaning_id)
     AND (SELECT guid FROM vocab_list WHERE id = OLD.list_id) IS NOT NULL
BEGIN
    INSERT OR REPLACE INTO sync_deleted(list_guid, word_language, word, meaning_language, meaning, stamp)
    SELECT l.guid, w.language_id, w.fold, m.language_id, m.fold, strftime('%Y-%m-%dT%H:%M:%fZ', 'now')
    FROM vocab_list l, word w, meaning m WHERE l.id = OLD.list_id AND w.id = OLD.word_id AND m.id = OLD.meaning_id;
END;
)SQL";

// The folded key of each row of table (id, text column, key column) made
// again by FoldText. Where the new key of a row is taken by another row
// under a unique index, the row keeps its old key: no row is merged or
// dropped, and every row stays where the user left it.
void RefoldKeys(SqliteConnection& connection, const std::string& table, const std::string& textColumn)
{
    std::vector<std::pair<int64_t, std::wstring>> changed;
    {
        const std::string select = "SELECT id, " + textColumn + ", fold FROM " + table + " ORDER BY id";
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(connection.Handle(), select.c_str(), -1, &raw, nullptr) != SQLITE_OK)
            connection.Fail(sqlite3_extended_errcode(connection.Handle()));
        int rc;
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 1));
            const char* fold = reinterpret_cast<const char*>(sqlite3_column_text(raw, 2));
            std::wstring key = FoldText(Utf8ToWide(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(raw, 1))));
            std::wstring old = Utf8ToWide(fold ? fold : "", static_cast<size_t>(sqlite3_column_bytes(raw, 2)));
            if (key != old)
                changed.emplace_back(sqlite3_column_int64(raw, 0), std::move(key));
        }
        sqlite3_finalize(raw);
        if (rc != SQLITE_DONE)
            connection.Fail(sqlite3_extended_errcode(connection.Handle()));
    }
    // A row whose new key another changed row still holds as its old key
    // gets it on a later round.
    const std::string update = "UPDATE OR IGNORE " + table + " SET fold = ?2 WHERE id = ?1";
    while (!changed.empty()) {
        std::vector<std::pair<int64_t, std::wstring>> waiting;
        for (auto& row : changed) {
            sqlite3_stmt* raw = nullptr;
            if (sqlite3_prepare_v2(connection.Handle(), update.c_str(), -1, &raw, nullptr) != SQLITE_OK)
                connection.Fail(sqlite3_extended_errcode(connection.Handle()));
            std::string key = WideToUtf8(row.second);
            sqlite3_bind_int64(raw, 1, row.first);
            sqlite3_bind_text64(raw, 2, key.data(), key.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            int rc = sqlite3_step(raw);
            sqlite3_finalize(raw);
            if (rc != SQLITE_DONE)
                connection.Fail(sqlite3_extended_errcode(connection.Handle()));
            if (!sqlite3_changes(connection.Handle()))
                waiting.push_back(std::move(row));
        }
        if (waiting.size() == changed.size())
            break;
        changed = std::move(waiting);
    }
}

// The steps that bring a file from version from to version to. Each step
// brings it from version i to i + 1; version 0 is a file without our
// tables. seed: a new file gets its languages and meaning types.
void RunSteps(SqliteConnection& connection, int from, int to, bool seed)
{
    if (from < 1 && to >= 1) {
        connection.Execute(kCreateVersion1);
        if (seed)
            Seed(connection);
    }
    if (from < 2 && to >= 2) {
        // The stable id of a list, given when the list first travels to the
        // synchronisation service.
        connection.Execute("ALTER TABLE vocab_list ADD COLUMN guid TEXT;"
                           "CREATE UNIQUE INDEX vocab_list_guid ON vocab_list(guid);");
    }
    if (from < 3 && to >= 3) {
        // The keys were lower case by the simple mapping; now full case
        // folding ("straße" and "STRASSE", "λόγος" and "ΛΌΓΟΣ" match).
        RefoldKeys(connection, "language", "name");
        RefoldKeys(connection, "word", "text");
        RefoldKeys(connection, "meaning", "text");
        RefoldKeys(connection, "acronym", "second_text");
        RefoldKeys(connection, "vocab_list", "name");
        RefoldKeys(connection, "history", "text");
    }
    if (from < 4 && to >= 4)
        connection.Execute(kSyncChanges);
}

// The tables (with their columns) and the named indexes of a layout.
struct Layout {
    std::map<std::string, std::set<std::string>> tables;
    std::set<std::string> indexes;
};

std::vector<std::string> Column0(SqliteConnection& connection, const char* sql, const std::string& parameter = "")
{
    std::vector<std::string> values;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(connection.Handle(), sql, -1, &raw, nullptr) != SQLITE_OK)
        connection.Fail(sqlite3_extended_errcode(connection.Handle()));
    if (!parameter.empty())
        sqlite3_bind_text(raw, 1, parameter.c_str(), -1, SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
        values.emplace_back(text ? text : "");
    }
    sqlite3_finalize(raw);
    if (rc != SQLITE_DONE)
        connection.Fail(sqlite3_extended_errcode(connection.Handle()));
    return values;
}

Layout ReadLayout(SqliteConnection& connection)
{
    Layout layout;
    for (const std::string& table :
         Column0(connection, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'")) {
        std::vector<std::string> columns = Column0(connection, "SELECT name FROM pragma_table_info(?1)", table);
        layout.tables[table] = std::set<std::string>(columns.begin(), columns.end());
    }
    for (const std::string& index :
         Column0(connection, "SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"))
        layout.indexes.insert(index);
    return layout;
}

// The layout of a version, made once in memory.
const Layout& ReferenceLayout(int version)
{
    static std::mutex lock;
    static std::map<int, Layout> layouts;
    std::lock_guard<std::mutex> guard(lock);
    auto found = layouts.find(version);
    if (found != layouts.end())
        return found->second;
    SqliteConnection memory(":memory:", true, 0);
    RunSteps(memory, 0, version, false);
    return layouts.emplace(version, ReadLayout(memory)).first->second;
}

}  // namespace

void CreateOrMigrate(SqliteConnection& connection, int fromVersion)
{
    RunSteps(connection, fromVersion, kDataFileVersion, true);
    connection.Execute(("PRAGMA application_id = " + std::to_string(kDataFileApplicationId)).c_str());
    connection.Execute(("PRAGMA user_version = " + std::to_string(kDataFileVersion)).c_str());
}

bool HasLayout(SqliteConnection& connection, int version)
{
    const Layout& expected = ReferenceLayout(version);
    Layout file = ReadLayout(connection);
    for (const auto& table : expected.tables) {
        auto found = file.tables.find(table.first);
        if (found == file.tables.end())
            return false;
        for (const std::string& column : table.second)
            if (!found->second.count(column))
                return false;
    }
    for (const std::string& index : expected.indexes)
        if (!file.indexes.count(index))
            return false;
    return true;
}
