#include "DictionaryWords.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <fstream>

#include "DataBaseClock.h"
#include "RecordSet.h"
#include "RecordText.h"
#include "StoredWords.h"
#include "utility/TextCodec.h"

namespace {

// Sounds and pictures larger than this are refused.
constexpr std::streamoff kMaxFileBytes = 256 * 1024 * 1024;
// Rows of a suggestion, word or step search.
constexpr int kSuggestionRows = 100;
constexpr int kWordRows = 200;
constexpr int kRelationSynonym = 1;
constexpr int kRelationAntonym = 2;

const char* const kWordExists = "SELECT 1 FROM word WHERE id = ?1";
const char* const kMeaningExists = "SELECT 1 FROM meaning WHERE id = ?1";

// Reads a whole file (path in wide text); false when it cannot be read.
bool ReadWholeFile(const wchar_t* path, std::vector<BYTE>& bytes)
{
    std::ifstream file(WideToUtf8(Wide(path)), std::ios::binary);
    if (!file)
        return false;
    file.seekg(0, std::ios::end);
    std::streamoff size = file.tellg();
    if (size < 0 || size > kMaxFileBytes)
        return false;
    file.seekg(0, std::ios::beg);
    bytes.resize(static_cast<size_t>(size));
    if (size && !file.read(reinterpret_cast<char*>(bytes.data()), size))
        return false;
    return true;
}

bool IsPng(const std::vector<BYTE>& bytes)
{
    static const BYTE kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return bytes.size() > 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

}  // namespace

// Finds the word of that language and text, or stores it (with word.id when
// that id is free); word.id receives its id.
int StoreWord(SqliteConnection& connection, WordKeyRecord& word)
{
    std::wstring text = Wide(word.text);
    if (text.empty() || word.language <= 0)
        return DATABASE_INVALID_ARGUMENT;
    std::wstring fold = FoldText(text);
    {
        SqlStatement find(connection, "SELECT id FROM word WHERE language_id = ?1 AND fold = ?2");
        find.Bind(1, word.language).Bind(2, fold);
        if (find.Step()) {
            word.id = find.Int64(0);
            return DATABASE_OK;
        }
    }
    bool idFree = word.id > 0 && !RowExists(connection, kWordExists, word.id);
    SqlStatement insert(connection, "INSERT INTO word(id, language_id, text, fold) VALUES (?1, ?2, ?3, ?4)");
    if (idFree)
        insert.Bind(1, word.id);
    else
        insert.BindNull(1);
    insert.Bind(2, word.language).Bind(3, text).Bind(4, fold);
    insert.Run();
    word.id = connection.LastInsertId();
    return DATABASE_OK;
}

// The stored word of word.id when there is one, else StoreWord.
static int ResolveWord(SqliteConnection& connection, WordKeyRecord& word)
{
    if (word.id > 0 && RowExists(connection, kWordExists, word.id))
        return DATABASE_OK;
    return StoreWord(connection, word);
}

// Finds the equal meaning of the word, or stores it (with meaning.id when
// that id is free); the ids come back.
int StoreMeaning(SqliteConnection& connection, int64_t wordId, MeaningRecord& meaning)
{
    std::wstring text = Wide(meaning.text);
    if (text.empty() || meaning.language <= 0)
        return DATABASE_INVALID_ARGUMENT;
    std::wstring fold = FoldText(text);
    meaning.wordId = wordId;
    {
        SqlStatement find(connection,
                          "SELECT id FROM meaning WHERE word_id = ?1 AND language_id = ?2 AND fold = ?3 ORDER BY id LIMIT 1");
        find.Bind(1, wordId).Bind(2, meaning.language).Bind(3, fold);
        if (find.Step()) {
            meaning.id = find.Int64(0);
            if (meaning.type > 0) {
                SqlStatement update(connection, "UPDATE meaning SET type_id = ?2 WHERE id = ?1 AND type_id <> ?2");
                update.Bind(1, meaning.id).Bind(2, meaning.type);
                update.Run();
            }
            return DATABASE_OK;
        }
    }
    bool idFree = meaning.id > 0 && !RowExists(connection, kMeaningExists, meaning.id);
    SqlStatement insert(connection,
                        "INSERT INTO meaning(id, word_id, language_id, text, fold, type_id) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (idFree)
        insert.Bind(1, meaning.id);
    else
        insert.BindNull(1);
    insert.Bind(2, wordId).Bind(3, meaning.language).Bind(4, text).Bind(5, fold).Bind(6, std::max(meaning.type, 0));
    insert.Run();
    meaning.id = connection.LastInsertId();
    return DATABASE_OK;
}

void CDictionaryWords::ForgetLanguages()
{
    std::lock_guard<std::mutex> lock(m_languageLock);
    m_languagesLoaded = false;
}

int CDictionaryWords::SetLanguagePair(LanguagePair pair)
{
    m_languagePair.store(pair);
    return DATABASE_OK;
}

std::vector<LanguageRecord> CDictionaryWords::GetLanguages(int reload)
{
    {
        std::lock_guard<std::mutex> lock(m_languageLock);
        if (m_languagesLoaded && !reload)
            return m_languages;
    }
    std::vector<LanguageRecord> languages;
    int result = m_file.Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection, "SELECT id, name, flag, rtl, code FROM language ORDER BY id");
        while (read.Step()) {
            LanguageRecord language;
            language.id = read.Int(0);
            language.name = Basic(read.Text(1));
            language.picture = read.Blob(2);
            language.rightToLeft = read.Int(3) ? 1 : 0;
            language.code = Basic(read.Text(4));
            languages.push_back(std::move(language));
        }
        return DATABASE_OK;
    });
    if (result != DATABASE_OK)
        return {};
    std::lock_guard<std::mutex> lock(m_languageLock);
    m_languages = languages;
    m_languagesLoaded = true;
    return languages;
}

int CDictionaryWords::AddLanguage(const wchar_t* name, const wchar_t* code, int flags, const wchar_t* picturePath,
                                 int* newId, int)
{
    std::wstring text = Wide(name);
    if (text.empty())
        return DATABASE_INVALID_ARGUMENT;
    std::vector<BYTE> picture;
    if (picturePath && *picturePath && (!ReadWholeFile(picturePath, picture) || !IsPng(picture)))
        return DATABASE_INVALID_ARGUMENT;
    int64_t id = 0;
    int result = m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement insert(connection, "INSERT INTO language(name, fold, code, rtl, flag) VALUES (?1, ?2, ?3, ?4, ?5)");
        insert.Bind(1, text).Bind(2, FoldText(text)).Bind(3, Wide(code)).Bind(4, (flags & kLanguageRightToLeft) ? 1 : 0);
        if (picture.empty())
            insert.BindNull(5);
        else
            insert.BindBlob(5, picture.data(), picture.size());
        insert.Run();
        id = connection.LastInsertId();
        return DATABASE_OK;
    }, CDataFileConnections::kOneStatement);
    ForgetLanguages();
    if (result == DATABASE_OK && newId)
        *newId = static_cast<int>(id);
    return result;
}

int CDictionaryWords::UpdateLanguage(const LanguageRecord& language, const wchar_t* picturePath)
{
    std::wstring text = Wide(language.name);
    if (text.empty() || language.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    std::vector<BYTE> picture;
    bool newPicture = picturePath && *picturePath;
    if (newPicture && (!ReadWholeFile(picturePath, picture) || !IsPng(picture)))
        return DATABASE_INVALID_ARGUMENT;
    int result = m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection, "UPDATE language SET name = ?2, fold = ?3, code = ?4, rtl = ?5 WHERE id = ?1");
        update.Bind(1, language.id).Bind(2, text).Bind(3, FoldText(text)).Bind(4, Wide(language.code));
        update.Bind(5, language.rightToLeft ? 1 : 0);
        update.Run();
        if (connection.Changes() == 0)
            return DATABASE_NO_ROW;
        if (newPicture) {
            SqlStatement flag(connection, "UPDATE language SET flag = ?2 WHERE id = ?1");
            flag.Bind(1, language.id).BindBlob(2, picture.data(), picture.size());
            flag.Run();
        }
        return DATABASE_OK;
    });
    ForgetLanguages();
    return result;
}

int CDictionaryWords::DeleteLanguage(int languageId)
{
    int result = m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement used(connection,
                          "SELECT EXISTS(SELECT 1 FROM vocab_list WHERE from_language = ?1 OR to_language = ?1)"
                          " OR EXISTS(SELECT 1 FROM word WHERE language_id = ?1)"
                          " OR EXISTS(SELECT 1 FROM meaning WHERE language_id = ?1)");
        used.Bind(1, languageId);
        if (used.Step() && used.Int(0))
            return DATABASE_IN_USE;
        SqlStatement remove(connection, "DELETE FROM language WHERE id = ?1");
        remove.Bind(1, languageId);
        remove.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    });
    ForgetLanguages();
    return result;
}

int CDictionaryWords::AddWord(WordKeyRecord& word)
{
    WordKeyRecord stored = word;
    int result = m_file.Write([&](SqliteConnection& connection) -> int { return StoreWord(connection, stored); });
    if (result == DATABASE_OK)
        word.id = stored.id;
    return result;
}

int CDictionaryWords::AddMeaning(WordKeyRecord& word, MeaningRecord& meaning, int wordStored)
{
    // The records get their ids only when the write is kept.
    const int64_t wordId = word.id, meaningId = meaning.id, meaningWordId = meaning.wordId;
    auto restore = [&] {
        word.id = wordId;
        meaning.id = meaningId;
        meaning.wordId = meaningWordId;
    };
    int result;
    try {
        result = m_file.Write([&](SqliteConnection& connection) -> int {
            int rc = wordStored == 1 ? ResolveWord(connection, word) : StoreWord(connection, word);
            if (rc != DATABASE_OK)
                return rc;
            return StoreMeaning(connection, word.id, meaning);
        });
    } catch (...) {
        restore();
        throw;
    }
    if (result != DATABASE_OK)
        restore();
    return result;
}

int CDictionaryWords::UpdateWord(const WordKeyRecord& word)
{
    std::wstring text = Wide(word.text);
    if (text.empty() || word.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    return m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection,
                            "UPDATE word SET text = ?2, fold = ?3,"
                            " language_id = CASE WHEN ?4 > 0 THEN ?4 ELSE language_id END WHERE id = ?1");
        update.Bind(1, word.id).Bind(2, text).Bind(3, FoldText(text)).Bind(4, word.language);
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, CDataFileConnections::kOneStatement);
}

int CDictionaryWords::UpdateMeaning(const MeaningRecord& meaning)
{
    std::wstring text = Wide(meaning.text);
    if (text.empty() || meaning.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    return m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection,
                            "UPDATE meaning SET text = ?2, fold = ?3,"
                            " word_id = CASE WHEN ?4 > 0 THEN ?4 ELSE word_id END,"
                            " language_id = CASE WHEN ?5 > 0 THEN ?5 ELSE language_id END,"
                            " type_id = CASE WHEN ?6 > 0 THEN ?6 ELSE type_id END WHERE id = ?1");
        update.Bind(1, meaning.id).Bind(2, text).Bind(3, FoldText(text)).Bind(4, meaning.wordId);
        update.Bind(5, meaning.language).Bind(6, meaning.type);
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, CDataFileConnections::kOneStatement);
}

int CDictionaryWords::DeleteMeaning(int64_t meaningId)
{
    if (meaningId <= 0)
        return DATABASE_INVALID_ARGUMENT;
    return m_file.Write([&](SqliteConnection& connection) -> int {
        // A list entry keeps its meaning: the user removes it from the list
        // first.
        SqlStatement used(connection, "SELECT EXISTS(SELECT 1 FROM list_entry WHERE meaning_id = ?1)");
        used.Bind(1, meaningId);
        if (used.Step() && used.Int(0))
            return DATABASE_IN_USE;
        SqlStatement remove(connection, "DELETE FROM meaning WHERE id = ?1");
        remove.Bind(1, meaningId);
        remove.Run();
        if (!connection.Changes())
            return DATABASE_NO_ROW;
        SqlStatement sounds(connection, "DELETE FROM pronunciation WHERE owner_id = ?1 AND side = ?2");
        sounds.Bind(1, meaningId).Bind(2, kPronunciationMeaning);
        sounds.Run();
        return DATABASE_OK;
    });
}

int CDictionaryWords::GetWordPicture(int64_t wordId, PictureRecord& picture)
{
    return m_file.Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection, "SELECT bytes FROM picture WHERE word_id = ?1");
        read.Bind(1, wordId);
        if (!read.Step())
            return DATABASE_NO_ROW;
        picture.wordId = wordId;
        picture.bytes = read.Blob(0);
        return DATABASE_OK;
    });
}

int CDictionaryWords::SavePronunciation(PronunciationRecord& sound, const wchar_t* soundPath)
{
    if (sound.ownerId <= 0)
        return DATABASE_INVALID_ARGUMENT;
    std::vector<BYTE> bytes = sound.sound;
    if (soundPath && *soundPath && !ReadWholeFile(soundPath, bytes))
        return DATABASE_INVALID_ARGUMENT;
    if (bytes.empty())
        return DATABASE_INVALID_ARGUMENT;
    int64_t id = 0;
    int number = 0;
    int result = m_file.Write([&](SqliteConnection& connection) -> int {
        if (sound.id > 0) {
            SqlStatement update(connection, "UPDATE pronunciation SET sound = ?2 WHERE id = ?1 RETURNING number");
            update.Bind(1, sound.id).BindBlob(2, bytes.data(), bytes.size());
            if (update.Step()) {
                id = sound.id;
                number = update.Int(0);
                return DATABASE_OK;
            }
        }
        SqlStatement insert(connection,
                            "INSERT INTO pronunciation(owner_id, side, number, sound) VALUES (?1, ?2,"
                            " (SELECT coalesce(max(number), 0) + 1 FROM pronunciation WHERE owner_id = ?1 AND side = ?2), ?3)"
                            " RETURNING id, number");
        insert.Bind(1, sound.ownerId).Bind(2, sound.side).BindBlob(3, bytes.data(), bytes.size());
        if (!insert.Step())
            return DATABASE_FAILED;
        id = insert.Int64(0);
        number = insert.Int(1);
        return DATABASE_OK;
    });
    if (result == DATABASE_OK) {
        sound.id = id;
        sound.number = number;
        sound.sound = std::move(bytes);
        sound.isNew = 0;
    }
    return result;
}

int CDictionaryWords::DeletePronunciation(int64_t soundId)
{
    return m_file.DeleteRow("DELETE FROM pronunciation WHERE id = ?1", soundId);
}

CAbstractRecordSet* CDictionaryWords::QueryPronunciations(int64_t ownerId, int side)
{
    return m_file.Query([&](SqliteConnection& connection) {
        SqlStatement read(connection,
                          "SELECT id, owner_id, sound, number, side FROM pronunciation WHERE owner_id = ?1 AND side = ?2"
                          " ORDER BY number, id");
        read.Bind(1, ownerId).Bind(2, side);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

int CDictionaryWords::AddAcronym(AcronymRecord& acronym, int)
{
    std::wstring text = Wide(acronym.text);
    std::wstring key = Wide(acronym.secondText);
    if (key.empty())
        key = text;
    if (key.empty())
        return DATABASE_INVALID_ARGUMENT;
    if (text.empty())
        text = key;
    AcronymRecord stored = acronym;
    int result = m_file.Write([&](SqliteConnection& connection) -> int {
        int rc = ResolveWord(connection, stored.word);
        if (rc != DATABASE_OK)
            return rc;
        std::wstring fold = FoldText(key);
        SqlStatement find(connection, "SELECT id FROM acronym WHERE word_id = ?1 AND fold = ?2");
        find.Bind(1, stored.word.id).Bind(2, fold);
        if (find.Step()) {
            stored.id = find.Int64(0);
            return DATABASE_OK;
        }
        SqlStatement insert(connection, "INSERT INTO acronym(word_id, text, second_text, fold) VALUES (?1, ?2, ?3, ?4)");
        insert.Bind(1, stored.word.id).Bind(2, text).Bind(3, key).Bind(4, fold);
        insert.Run();
        stored.id = connection.LastInsertId();
        return DATABASE_OK;
    });
    if (result == DATABASE_OK) {
        acronym.id = stored.id;
        acronym.word.id = stored.word.id;
    }
    return result;
}

int CDictionaryWords::UpdateAcronym(AcronymRecord& acronym)
{
    std::wstring text = Wide(acronym.text);
    std::wstring key = Wide(acronym.secondText);
    if (key.empty() || acronym.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    if (text.empty())
        text = key;
    return m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection, "UPDATE acronym SET text = ?2, second_text = ?3, fold = ?4 WHERE id = ?1");
        update.Bind(1, acronym.id).Bind(2, text).Bind(3, key).Bind(4, FoldText(key));
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, CDataFileConnections::kOneStatement);
}

int CDictionaryWords::DeleteAcronym(int64_t acronymId)
{
    return m_file.DeleteRow("DELETE FROM acronym WHERE id = ?1", acronymId);
}

int CDictionaryWords::AddRelation(int kind, RelationRecord& relation)
{
    RelationRecord stored = relation;
    int result = m_file.Write([&](SqliteConnection& connection) -> int {
        int rc = ResolveWord(connection, stored.word);
        if (rc == DATABASE_OK)
            rc = relation.related.id > 0 ? ResolveWord(connection, stored.related) : StoreWord(connection, stored.related);
        if (rc != DATABASE_OK)
            return rc;
        if (stored.word.id == stored.related.id)
            return DATABASE_INVALID_ARGUMENT;
        SqlStatement find(connection,
                          "SELECT id FROM relation WHERE kind = ?1 AND ((word_id = ?2 AND related_id = ?3)"
                          " OR (word_id = ?3 AND related_id = ?2))");
        find.Bind(1, kind).Bind(2, stored.word.id).Bind(3, stored.related.id);
        if (find.Step()) {
            stored.id = find.Int64(0);
            return DATABASE_OK;
        }
        SqlStatement insert(connection, "INSERT INTO relation(kind, word_id, related_id) VALUES (?1, ?2, ?3)");
        insert.Bind(1, kind).Bind(2, stored.word.id).Bind(3, stored.related.id);
        insert.Run();
        stored.id = connection.LastInsertId();
        return DATABASE_OK;
    });
    if (result == DATABASE_OK)
        relation = stored;
    return result;
}

int CDictionaryWords::UpdateRelation(int kind, RelationRecord& relation)
{
    if (relation.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    RelationRecord stored = relation;
    int result = m_file.Write([&](SqliteConnection& connection) -> int {
        int64_t wordId = 0, relatedId = 0;
        {
            SqlStatement read(connection, "SELECT word_id, related_id FROM relation WHERE id = ?1 AND kind = ?2");
            read.Bind(1, relation.id).Bind(2, kind);
            if (!read.Step())
                return DATABASE_NO_ROW;
            wordId = read.Int64(0);
            relatedId = read.Int64(1);
        }
        // The word keeps its end of the relation; the other end becomes the
        // word of the related text (found or stored).
        if (stored.word.id != wordId && stored.word.id != relatedId)
            stored.word.id = wordId;
        int64_t otherId = stored.word.id == wordId ? relatedId : wordId;
        stored.related.id = otherId;
        {
            SqlStatement read(connection, "SELECT fold, language_id FROM word WHERE id = ?1");
            read.Bind(1, otherId);
            bool same = read.Step() && read.Text(0) == FoldText(Wide(stored.related.text)) &&
                        (stored.related.language <= 0 || stored.related.language == read.Int(1));
            if (!same) {
                stored.related.id = 0;
                int rc = StoreWord(connection, stored.related);
                if (rc != DATABASE_OK)
                    return rc;
            }
        }
        if (stored.related.id == stored.word.id)
            return DATABASE_INVALID_ARGUMENT;
        SqlStatement update(connection, "UPDATE relation SET word_id = ?2, related_id = ?3 WHERE id = ?1");
        update.Bind(1, relation.id).Bind(2, stored.word.id).Bind(3, stored.related.id);
        update.Run();
        return DATABASE_OK;
    });
    if (result == DATABASE_OK)
        relation = stored;
    return result;
}

int CDictionaryWords::AddAntonym(RelationRecord& relation, int)
{
    return AddRelation(kRelationAntonym, relation);
}

int CDictionaryWords::UpdateAntonym(RelationRecord& relation)
{
    return UpdateRelation(kRelationAntonym, relation);
}

int CDictionaryWords::DeleteAntonym(int64_t relationId)
{
    return m_file.DeleteRow("DELETE FROM relation WHERE id = ?1 AND kind = 2", relationId);
}

int CDictionaryWords::AddSynonym(RelationRecord& relation, int)
{
    return AddRelation(kRelationSynonym, relation);
}

int CDictionaryWords::UpdateSynonym(RelationRecord& relation)
{
    return UpdateRelation(kRelationSynonym, relation);
}

int CDictionaryWords::DeleteSynonym(int64_t relationId)
{
    return m_file.DeleteRow("DELETE FROM relation WHERE id = ?1 AND kind = 1", relationId);
}

int CDictionaryWords::AddHistoryEntry(const HistoryRecord& entry)
{
    std::wstring text = Wide(entry.text);
    if (text.empty())
        return DATABASE_INVALID_ARGUMENT;
    return m_file.Write([&](SqliteConnection& connection) -> int {
        std::wstring fold = FoldText(text);
        SqlStatement remove(connection, "DELETE FROM history WHERE fold = ?1");
        remove.Bind(1, fold);
        remove.Run();
        SqlStatement insert(connection,
                            "INSERT INTO history(id, key, text, fold) VALUES"
                            " ((SELECT coalesce(max(id), 0) + 1 FROM history), ?1, ?2, ?3)");
        insert.Bind(1, Wide(entry.key)).Bind(2, text).Bind(3, fold);
        insert.Run();
        return DATABASE_OK;
    });
}

CAbstractRecordSet* CDictionaryWords::QueryHistory(int64_t position, int count)
{
    if (count <= 0 || position < 0)
        return nullptr;
    return m_file.Query([&](SqliteConnection& connection) {
        int64_t first = std::max<int64_t>(0, position - count);
        SqlStatement read(connection, "SELECT key, text FROM history ORDER BY id LIMIT ?1 OFFSET ?2");
        read.Bind(1, position - first).Bind(2, first);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        set->Reverse();
        return set.release();
    });
}

CAbstractRecordSet* CDictionaryWords::Search(const wchar_t* text, int kind, int reserved1, int reserved2)
{
    return SearchInPair(m_languagePair.load(), text, kind, reserved1, reserved2);
}

CAbstractRecordSet* CDictionaryWords::SearchInPair(LanguagePair pair, const wchar_t* text, int kind, int, int)
{
    std::wstring typed = Wide(text);
    std::wstring fold = FoldText(typed);
    std::wstring bound = PrefixUpperBound(fold);
    const int first = pair.first, second = pair.second;
    // An empty bound leaves the range open: every text sorts below a blob.
    auto bindBound = [&](SqlStatement& statement, int index) {
        if (bound.empty())
            statement.BindBlob(index, "", 0);
        else
            statement.Bind(index, bound);
    };
    switch (kind) {
    case SEARCH_FIRST_LANGUAGE_PREFIX:
        return m_file.Query([&](SqliteConnection& connection) {
            auto set = std::make_unique<CRecordSet>();
            if (first > 0) {
                SqlStatement read(connection,
                                  "SELECT id, text FROM word WHERE language_id = ?1 AND fold >= ?2 AND fold < ?3"
                                  " ORDER BY fold LIMIT ?4");
                read.Bind(1, first).Bind(2, fold);
                bindBound(read, 3);
                read.Bind(4, kSuggestionRows);
                set->AppendRows(read);
            } else {
                SqlStatement read(connection,
                                  "SELECT id, text FROM word WHERE fold >= ?1 AND fold < ?2 ORDER BY fold, id LIMIT ?3");
                read.Bind(1, fold);
                bindBound(read, 2);
                read.Bind(3, kSuggestionRows);
                set->AppendRows(read);
            }
            return set.release();
        });
    case SEARCH_SECOND_LANGUAGE_PREFIX:
        return m_file.Query([&](SqliteConnection& connection) {
            SqlStatement read(connection,
                              "SELECT min(id), text FROM ("
                              " SELECT id, text, fold FROM word WHERE language_id = ?1 AND fold >= ?2 AND fold < ?3"
                              " UNION ALL"
                              " SELECT id, text, fold FROM meaning WHERE language_id = ?1 AND fold >= ?2 AND fold < ?3)"
                              " GROUP BY fold ORDER BY fold LIMIT ?4");
            read.Bind(1, second).Bind(2, fold);
            bindBound(read, 3);
            read.Bind(4, kSuggestionRows);
            auto set = std::make_unique<CRecordSet>();
            set->AppendRows(read);
            return set.release();
        });
    case SEARCH_WORD:
        return m_file.Query([&](SqliteConnection& connection) {
            SqlStatement read(connection,
                              "SELECT w.id, w.text, m.id, m.text FROM word w JOIN meaning m ON m.word_id = w.id"
                              " AND (?2 = 0 OR m.language_id = ?2)"
                              " WHERE (?1 = 0 OR w.language_id = ?1) AND w.fold >= ?3 AND w.fold < ?4"
                              " ORDER BY w.fold, w.id, m.id LIMIT ?5");
            read.Bind(1, first).Bind(2, second).Bind(3, fold);
            bindBound(read, 4);
            read.Bind(5, kWordRows);
            auto set = std::make_unique<CRecordSet>();
            set->AppendRows(read);
            return set.release();
        });
    case SEARCH_NEXT_WORDS:
    case SEARCH_PREVIOUS_WORDS:
        return m_file.Query([&](SqliteConnection& connection) {
            // One row per word: its first meaning of the second language.
            auto set = std::make_unique<CRecordSet>();
            if (kind == SEARCH_NEXT_WORDS) {
                SqlStatement read(connection,
                                  "SELECT w.id, w.text, m.id, m.text FROM word w JOIN meaning m ON m.id ="
                                  " (SELECT m2.id FROM meaning m2 WHERE m2.word_id = w.id AND (?2 = 0 OR m2.language_id = ?2)"
                                  " ORDER BY m2.id LIMIT 1)"
                                  " WHERE (?1 = 0 OR w.language_id = ?1) AND w.fold > ?3 ORDER BY w.fold, w.id LIMIT ?4");
                read.Bind(1, first).Bind(2, second).Bind(3, fold).Bind(4, kSuggestionRows);
                set->AppendRows(read);
            } else {
                SqlStatement read(connection,
                                  "SELECT w.id, w.text, m.id, m.text FROM word w JOIN meaning m ON m.id ="
                                  " (SELECT m2.id FROM meaning m2 WHERE m2.word_id = w.id AND (?2 = 0 OR m2.language_id = ?2)"
                                  " ORDER BY m2.id LIMIT 1)"
                                  " WHERE (?1 = 0 OR w.language_id = ?1) AND w.fold < ?3"
                                  " ORDER BY w.fold DESC, w.id DESC LIMIT ?4");
                read.Bind(1, first).Bind(2, second);
                if (fold.empty())
                    read.BindBlob(3, "", 0);
                else
                    read.Bind(3, fold);
                read.Bind(4, kSuggestionRows);
                set->AppendRows(read);
            }
            return set.release();
        });
    case SEARCH_WORD_USES: {
        wchar_t* end = nullptr;
        long long wordId = std::wcstoll(typed.c_str(), &end, 10);
        if (typed.empty() || !end || *end || wordId <= 0)
            return nullptr;
        return m_file.Query([&](SqliteConnection& connection) {
            SqlStatement read(connection,
                              "SELECT (SELECT count(*) FROM list_entry WHERE word_id = ?1)"
                              " + (SELECT count(*) FROM meaning m WHERE m.word_id = ?1"
                              "    AND NOT EXISTS (SELECT 1 FROM list_entry e WHERE e.meaning_id = m.id))"
                              " + (SELECT count(*) FROM relation WHERE word_id = ?1)"
                              " + (SELECT count(*) FROM relation WHERE related_id = ?1)"
                              " + (SELECT count(*) FROM acronym WHERE word_id = ?1)");
            read.Bind(1, static_cast<int64_t>(wordId));
            auto set = std::make_unique<CRecordSet>();
            set->AppendRows(read);
            return set.release();
        });
    }
    case SEARCH_TEXT_EXISTS:
        if (fold.empty())
            return nullptr;
        return m_file.Query([&](SqliteConnection& connection) {
            SqlStatement read(connection, "SELECT count(*) FROM word WHERE fold = ?1");
            read.Bind(1, fold);
            auto set = std::make_unique<CRecordSet>();
            set->AppendRows(read);
            return set.release();
        });
    default:
        return nullptr;
    }
}

int CDictionaryWords::GetNextId(int kind, int64_t& id)
{
    if (kind != NEXT_ID_WORD && kind != NEXT_ID_MEANING)
        return DATABASE_INVALID_ARGUMENT;
    return m_file.Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection, kind == NEXT_ID_WORD ? "SELECT coalesce(max(id), 0) + 1 FROM word"
                                                           : "SELECT coalesce(max(id), 0) + 1 FROM meaning");
        read.Step();
        id = read.Int64(0);
        return DATABASE_OK;
    });
}

int CDictionaryWords::GetHistoryCount(int kind, int64_t& count, int, int)
{
    if (kind != 1)
        return DATABASE_INVALID_ARGUMENT;
    return m_file.Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection, "SELECT count(*) FROM history");
        read.Step();
        count = read.Int64(0);
        return DATABASE_OK;
    });
}

int CDictionaryWords::AddMeanType(MeanTypeRecord& type)
{
    std::wstring name = Wide(type.name);
    if (name.empty())
        return DATABASE_INVALID_ARGUMENT;
    int64_t id = 0;
    int result = m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement insert(connection, "INSERT INTO mean_type(name, value) VALUES (?1, ?2)");
        insert.Bind(1, name).Bind(2, Wide(type.value));
        insert.Run();
        id = connection.LastInsertId();
        return DATABASE_OK;
    }, CDataFileConnections::kOneStatement);
    if (result == DATABASE_OK)
        type.id = static_cast<int>(id);
    return result;
}

int CDictionaryWords::UpdateMeanType(const MeanTypeRecord& type)
{
    std::wstring name = Wide(type.name);
    if (name.empty() || type.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    return m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection, "UPDATE mean_type SET name = ?2, value = ?3 WHERE id = ?1");
        update.Bind(1, type.id).Bind(2, name).Bind(3, Wide(type.value));
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, CDataFileConnections::kOneStatement);
}

CAbstractRecordSet* CDictionaryWords::QueryMeanTypes()
{
    return m_file.Query([&](SqliteConnection& connection) {
        SqlStatement read(connection, "SELECT id, name, value FROM mean_type ORDER BY id");
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

CAbstractRecordSet* CDictionaryWords::QueryMeanings(const WordKeyRecord& word, int)
{
    const int second = m_languagePair.load().second;
    return m_file.Query([&](SqliteConnection& connection) {
        SqlStatement read(connection,
                          "SELECT id, text, word_id, language_id, type_id FROM meaning"
                          " WHERE word_id = ?1 AND (?2 = 0 OR language_id = ?2) ORDER BY id");
        read.Bind(1, word.id).Bind(2, second);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

CAbstractRecordSet* CDictionaryWords::QueryRelations(int kind, const WordKeyRecord& word)
{
    return m_file.Query([&](SqliteConnection& connection) {
        SqlStatement read(connection,
                          "SELECT r.id, ?1, o.id, o.text, o.language_id FROM relation r"
                          " JOIN word o ON o.id = CASE WHEN r.word_id = ?1 THEN r.related_id ELSE r.word_id END"
                          " WHERE r.kind = ?2 AND (r.word_id = ?1 OR r.related_id = ?1) ORDER BY r.id");
        read.Bind(1, word.id).Bind(2, kind);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

CAbstractRecordSet* CDictionaryWords::QuerySynonyms(const WordKeyRecord& word, int)
{
    return QueryRelations(kRelationSynonym, word);
}

CAbstractRecordSet* CDictionaryWords::QueryAntonyms(const WordKeyRecord& word, int)
{
    return QueryRelations(kRelationAntonym, word);
}

CAbstractRecordSet* CDictionaryWords::QueryAcronyms(const WordKeyRecord& word, int)
{
    return m_file.Query([&](SqliteConnection& connection) {
        SqlStatement read(connection, "SELECT id, text, second_text FROM acronym WHERE word_id = ?1 ORDER BY id");
        read.Bind(1, word.id);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}
