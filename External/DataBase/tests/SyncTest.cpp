// Synchronize over an HTTP file that the test scripts: the request it
// sends, the replies it refuses without touching the data file, and a
// cancel in the middle of a merge. The exchange with the real service is
// in integration/SyncIntegrationTest.cpp.

#include <sqlite3.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <deque>

#include "DataBaseFixture.h"
#include "Pendrel/Core/AbstractProgressStatus.h"
#include "SqliteDataBase.h"
#include "SyncCopy.h"
#include "testing/MemoryFile.h"
#include "testing/TempFolder.h"

namespace dbtest {
namespace {

using kvxtest::Narrow;

const wchar_t kAddress[] = L"https://sync.example.org/kvx/sync";

// The HTTP file of the online-services library as the component uses it:
// SetSize, Open for a post, the body written, the raw reply read (in
// pieces, fewer bytes only at its end). Each Open takes the next of the
// queued replies, or keeps the last one, and keeps the former request.
class ScriptedHttpFile : public kvxtest::MemoryFile {
public:
    std::string reply;
    std::deque<std::string> nextReplies;
    std::vector<std::string> requests;
    int openResult = 0;
    int opens = 0;
    std::wstring url;
    DWORD access = 0;
    unsigned long long size = 0;
    std::string request;

    int Open(const wchar_t* name, DWORD mode, DWORD, DWORD, DWORD) override
    {
        ++opens;
        if (!nextReplies.empty()) {
            reply = nextReplies.front();
            nextReplies.pop_front();
        }
        if (!request.empty())
            requests.push_back(request);
        request.clear();
        url = name ? name : L"";
        access = mode;
        m_position = 0;
        return openResult;
    }
    int SetSize(ULONGLONG value) override
    {
        size = value;
        return 1;
    }
    int Write(const void* buffer, DWORD count, DWORD* done) override
    {
        request.append(static_cast<const char*>(buffer), count);
        if (done)
            *done = count;
        return 0;
    }
    int Read(void* buffer, DWORD count, DWORD* done) override
    {
        size_t n = std::min<size_t>(count, reply.size() - m_position);
        std::memcpy(buffer, reply.data() + m_position, n);
        m_position += n;
        *done = static_cast<DWORD>(n);
        return 0;
    }
    int Close() override { return 1; }

private:
    size_t m_position = 0;
};

class Links : public CAbstractLinkTable {
public:
    std::wstring address = kAddress;
    const wchar_t* GetLinkURL(int id) const override { return id == kSyncServiceLinkId ? address.c_str() : L""; }
};

// Stops the work when a list of the given name is reported.
class StopAtList : public CAbstractProgressStatus {
public:
    std::wstring stopAt;
    std::vector<std::wstring> reported;
    void AddLogMsg(const wchar_t*, const wchar_t*, LOG_ICON_TYPE, UINT) override {}
    const wchar_t* LoadStringW(UINT) override { return L""; }
    const char* WideCharToMultiByte(UINT, const wchar_t*) override { return ""; }
    const wchar_t* MultiByteToWideChar(UINT, const char*) override { return L""; }
    const char* MultiByteToMultiByte(UINT, const char*, UINT) override { return ""; }
    const wchar_t* EncodeURL(const wchar_t*) override { return L""; }
    void SetProgress(const ProgressInfo* info) override
    {
        if (info->kind != 1)
            return;
        reported.push_back(Text(info->text));
        if (reported.back() == stopAt)
            m_running = FALSE;
    }
    const wchar_t* GetDocumentsPath() override { return L""; }
    BOOL IsRunning() override { return m_running; }

private:
    BOOL m_running = TRUE;
};

std::string Reply(const std::string& body, const char* status = "200 OK")
{
    return std::string("HTTP/1.0 ") + status + "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Deflate(const std::string& text)
{
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(text.data()), text.size());
    out.resize(size);
    return out;
}

SyncCopy ThreeLists()
{
    SyncCopy copy;
    copy.languages = {{L"English", L"en", 0}, {L"German", L"de", 0}};
    copy.types = {{L"Noun", L"n."}};
    for (const wchar_t* name : {L"One", L"Two", L"Three"}) {
        SyncList list;
        list.guid = "guid-" + std::string(1, static_cast<char>('a' + copy.lists.size()));
        list.name = name;
        list.fromLanguage = 0;
        list.toLanguage = 1;
        list.entries.push_back(
            {std::wstring(name) + L" word", 0, L"Bedeutung", 1, 0, 2, L"2024-01-01", L"2024-01-02", "2024-01-02T10:00:00Z"});
        copy.lists.push_back(list);
    }
    return copy;
}

class SyncTest : public DataBaseTest {
protected:
    void SetUp() override
    {
        DataBaseTest::SetUp();
        db = std::make_unique<CSqliteDataBase>(&progress, &links);
        ASSERT_EQ(db->Open(DATABASE_OPEN_OPTIONS{1, 0}, path.c_str()), DATABASE_OK);
        MakeList(L"Local", {{L"sun", L"Sonne"}});
    }

    // Every list with its words, as the program sees them.
    std::vector<std::wstring> Lists()
    {
        std::vector<std::wstring> lists;
        for (const auto& row : Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L""))) {
            lists.push_back(row[1] + L" (" + row[4] + L")");
            for (const WordRecord& word : Words(std::stoll(row[0])))
                lists.push_back(L"  " + Text(word.wordText) + L" = " + Text(word.meaningText) + L" " +
                                std::to_wstring(word.statusCount) + L" " + Text(word.dateText));
        }
        return lists;
    }

    int Download(int direction = 0) { return db->Synchronize(&http, L"ann@example.org", L"Geheim ü&=+", direction); }

    ScriptedHttpFile http;
    Links links;
    StopAtList progress;
};

TEST_F(SyncTest, ADownloadPostsTheAccountToTheLinkAndMergesTheCopy)
{
    http.reply = Reply(EncodeSyncCopy(ThreeLists()));
    ASSERT_EQ(Download(), DATABASE_OK);
    EXPECT_EQ(http.url, kAddress);
    EXPECT_EQ(http.access, static_cast<DWORD>(GENERIC_WRITE));
    EXPECT_EQ(http.request, "op=download&email=ann%40example.org&password=Geheim%20%C3%BC%26%3D%2B");
    EXPECT_EQ(http.size, http.request.size());
    EXPECT_EQ(Lists(), (std::vector<std::wstring>{L"Local (1)", L"  sun = Sonne 0 2024-01-10", L"One (1)",
                                                  L"  One word = Bedeutung 2 2024-01-02", L"Three (1)",
                                                  L"  Three word = Bedeutung 2 2024-01-02", L"Two (1)",
                                                  L"  Two word = Bedeutung 2 2024-01-02"}));
    // The file's lists are read, then the merge is stored list by list.
    EXPECT_EQ(progress.reported, (std::vector<std::wstring>{L"Local", L"Local", L"One", L"Two", L"Three"}));
}

// The copy of an upload's request.
SyncCopy UploadedCopy(const std::string& request)
{
    const std::string start = "op=upload&email=ann%40example.org&password=Geheim%20%C3%BC%26%3D%2B&data=";
    EXPECT_EQ(request.compare(0, start.size(), start), 0) << request;
    // The data is base64 in the URL alphabet without padding.
    static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string deflated;
    uint32_t bits = 0;
    int count = 0;
    for (char c : request.substr(std::min(start.size(), request.size()))) {
        size_t value = kAlphabet.find(c);
        EXPECT_NE(value, std::string::npos) << c;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        if ((count += 6) >= 8)
            deflated += static_cast<char>((bits >> (count -= 8)) & 0xFF);
    }
    SyncCopy copy;
    EXPECT_TRUE(DecodeSyncCopy(deflated, copy));
    return copy;
}

TEST_F(SyncTest, AnUploadMergesTheListsIntoTheAccountsCopyAsItsNextVersion)
{
    // The account has no copy yet.
    http.nextReplies = {Reply(""), Reply("OK\n")};
    ASSERT_EQ(Download(1), DATABASE_OK);
    ASSERT_EQ(http.requests.size(), 1u);
    EXPECT_EQ(http.requests[0], "op=download&email=ann%40example.org&password=Geheim%20%C3%BC%26%3D%2B");
    EXPECT_EQ(http.size, http.request.size());
    SyncCopy copy = UploadedCopy(http.request);
    EXPECT_EQ(copy.version, 1);
    ASSERT_EQ(copy.lists.size(), 1u);
    EXPECT_EQ(copy.lists[0].name, L"Local");
    EXPECT_EQ(copy.lists[0].guid.size(), 32u);
    EXPECT_TRUE(IsSyncStamp(copy.lists[0].changed)) << copy.lists[0].changed;
    ASSERT_EQ(copy.lists[0].entries.size(), 1u);
    const SyncEntry& entry = copy.lists[0].entries[0];
    EXPECT_EQ(copy.languages[entry.wordLanguage].name, L"English");
    EXPECT_EQ(copy.languages[entry.meaningLanguage].name, L"German");
    EXPECT_EQ(copy.types[entry.type].name, L"Manual");
    EXPECT_EQ(entry.word + L" " + entry.meaning + L" " + entry.enteredDate + L" " + entry.statusDate,
              L"sun Sonne 2024-01-10 2024-01-10");
    EXPECT_TRUE(IsSyncStamp(entry.changed)) << entry.changed;

    // The list keeps its stable id from one upload to the next.
    std::string first = http.request;
    http.nextReplies = {Reply(""), Reply("OK\n")};
    ASSERT_EQ(Download(1), DATABASE_OK);
    EXPECT_EQ(http.request, first);

    // The account's lists stay; when another upload came in between, the
    // merge is made again with the newer copy.
    SyncCopy online = ThreeLists();
    online.version = 6;
    SyncCopy newer = online;
    newer.version = 7;
    newer.lists.pop_back();
    newer.deleted.push_back({"guid-c", "2024-01-03T00:00:00Z"});
    http.nextReplies = {Reply(EncodeSyncCopy(online)), Reply("", "409 Conflict"), Reply(EncodeSyncCopy(newer)),
                        Reply("OK\n")};
    std::vector<std::wstring> before = Lists();
    ASSERT_EQ(Download(1), DATABASE_OK);
    copy = UploadedCopy(http.request);
    EXPECT_EQ(copy.version, 8);
    std::vector<std::wstring> names;
    for (const SyncList& list : copy.lists)
        names.push_back(list.name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"One", L"Two", L"Local"}));
    ASSERT_EQ(copy.deleted.size(), 1u);
    EXPECT_EQ(copy.deleted[0].guid, "guid-c");
    // An upload leaves the file as it was.
    EXPECT_EQ(Lists(), before);

    // Another computer that keeps uploading first makes the upload fail.
    http.nextReplies.clear();
    for (int i = 0; i < 10; ++i) {
        http.nextReplies.push_back(Reply(EncodeSyncCopy(online)));
        http.nextReplies.push_back(Reply("", "409 Conflict"));
    }
    http.requests.clear();
    http.request.clear();
    EXPECT_EQ(Download(1), DATABASE_FAILED);
    EXPECT_EQ(http.requests.size(), 15u);
}

TEST_F(SyncTest, RemovalsOfListsThatTravelledAreKeptUntilTheEntryComesBack)
{
    http.nextReplies = {Reply(""), Reply("OK\n")};
    ASSERT_EQ(Download(1), DATABASE_OK);
    int64_t listId = std::stoll(Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"Local"))[0][0]);
    std::vector<WordRecord> words = Words(listId);
    ASSERT_EQ(words.size(), 1u);
    ASSERT_EQ(db->SetWordStatus(0, words[0].linkId, WORD_STATUS_REMOVE), DATABASE_OK);
    int64_t neverSent = MakeList(L"Never sent", {{L"moon", L"Mond"}});
    ASSERT_EQ(db->DeleteVocabularyList(neverSent, 0), DATABASE_OK);

    http.nextReplies = {Reply(""), Reply("OK\n")};
    ASSERT_EQ(Download(1), DATABASE_OK);
    SyncCopy copy = UploadedCopy(http.request);
    ASSERT_EQ(copy.lists.size(), 1u);
    EXPECT_TRUE(copy.lists[0].entries.empty());
    ASSERT_EQ(copy.lists[0].removed.size(), 1u);
    EXPECT_EQ(copy.lists[0].removed[0].word + L" " + copy.lists[0].removed[0].meaning, L"sun sonne");
    EXPECT_TRUE(IsSyncStamp(copy.lists[0].removed[0].changed));
    // A list that never travelled leaves no record.
    EXPECT_TRUE(copy.deleted.empty());

    // Added back at once, the entry is alive again.
    WordKeyRecord word;
    word.text = L"Sun";
    word.language = kEnglish;
    MeaningRecord meaning;
    meaning.text = L"Sonne";
    meaning.language = kGerman;
    ASSERT_EQ(db->AddMeaning(word, meaning, 0), DATABASE_OK);
    WordLinkRecord link;
    link.listId = listId;
    link.wordId = word.id;
    link.meaningId = meaning.id;
    ASSERT_EQ(db->AddListEntry(link, 0), DATABASE_OK);
    http.nextReplies = {Reply(""), Reply("OK\n")};
    ASSERT_EQ(Download(1), DATABASE_OK);
    copy = UploadedCopy(http.request);
    ASSERT_EQ(copy.lists.size(), 1u);
    EXPECT_EQ(copy.lists[0].entries.size(), 1u);
    EXPECT_TRUE(copy.lists[0].removed.empty());

    // A removed list that travelled is kept as a record.
    ASSERT_EQ(db->DeleteVocabularyList(listId, 0), DATABASE_OK);
    http.nextReplies = {Reply(""), Reply("OK\n")};
    ASSERT_EQ(Download(1), DATABASE_OK);
    copy = UploadedCopy(http.request);
    EXPECT_TRUE(copy.lists.empty());
    ASSERT_EQ(copy.deleted.size(), 1u);
    EXPECT_EQ(copy.deleted[0].guid.size(), 32u);
}

TEST_F(SyncTest, ARefusedMalformedOrCutReplyLeavesTheFileAsItWas)
{
    std::string copy = EncodeSyncCopy(ThreeLists());
    std::string reply = Reply(copy);
    SyncCopy badSecondList = ThreeLists();
    badSecondList.lists[1].entries[0].status = 6;
    SyncCopy twice = ThreeLists();
    twice.lists[2].guid = twice.lists[0].guid;
    const std::pair<const char*, std::string> cases[] = {
        {"server failure", Reply("", "500 Internal Server Error")},
        {"body cut short", reply.substr(0, reply.size() - 1)},
        {"body longer than said", reply + "x"},
        {"no length", "HTTP/1.0 200 OK\r\n\r\n" + copy},
        {"two lengths", "HTTP/1.0 200 OK\r\nContent-Length: 1\r\nContent-Length: " + std::to_string(copy.size()) +
                            "\r\n\r\n" + copy},
        {"head never ends", "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n"},
        {"no status line", "HTTP/1.0\r\nContent-Length: 0\r\n\r\n"},
        {"not deflated", Reply("{\"format\":1}")},
        {"stream cut short", Reply(copy.substr(0, copy.size() - 4))},
        {"bytes after the stream", Reply(copy + "x")},
        {"not JSON", Reply(Deflate("{\"format\":1,"))},
        {"another format", Reply(Deflate("{\"format\":3,\"version\":1,\"languages\":[],\"types\":[],\"lists\":[],"
                                         "\"deleted\":[]}"))},
        {"no version", Reply(Deflate("{\"format\":2,\"languages\":[],\"types\":[],\"lists\":[],\"deleted\":[]}"))},
        {"a day that does not exist",
         Reply(Deflate("{\"format\":1,\"languages\":[{\"name\":\"E\",\"code\":\"\",\"rtl\":0}],\"types\":[],"
                       "\"lists\":[{\"guid\":\"a\",\"name\":\"x\",\"text\":\"\",\"from\":0,\"to\":0,"
                       "\"editable\":1,\"extra\":0,\"entries\":[[\"w\",0,\"m\",0,-1,1,\"2024-13-45\",\"\"]]}]}"))},
        {"removal without a time",
         Reply(Deflate("{\"format\":2,\"version\":1,\"languages\":[],\"types\":[],\"lists\":[],"
                       "\"deleted\":[{\"guid\":\"a\",\"changed\":\"\"}]}"))},
        {"time of change that does not exist",
         Reply(Deflate("{\"format\":2,\"version\":1,\"languages\":[],\"types\":[],\"lists\":[],"
                       "\"deleted\":[{\"guid\":\"a\",\"changed\":\"2024-02-30T10:00:00Z\"}]}"))},
        {"removed list also alive",
         Reply(Deflate("{\"format\":2,\"version\":1,\"languages\":[{\"name\":\"E\",\"code\":\"\",\"rtl\":0}],"
                       "\"types\":[],\"lists\":[{\"guid\":\"a\",\"name\":\"x\",\"text\":\"\",\"from\":0,"
                       "\"to\":0,\"editable\":1,\"extra\":0,\"changed\":\"\",\"entries\":[],\"removed\":[]}],"
                       "\"deleted\":[{\"guid\":\"a\",\"changed\":\"2024-02-03T10:00:00Z\"}]}"))},
        {"language out of range",
         Reply(Deflate("{\"format\":1,\"languages\":[],\"types\":[],\"lists\":[{\"guid\":\"a\",\"name\":\"x\","
                       "\"text\":\"\",\"from\":0,\"to\":0,\"editable\":1,\"extra\":0,\"entries\":[]}]}"))},
        {"bad date", Reply(Deflate("{\"format\":1,\"languages\":[{\"name\":\"E\",\"code\":\"\",\"rtl\":0}],\"types\":[],"
                                   "\"lists\":[{\"guid\":\"a\",\"name\":\"x\",\"text\":\"\",\"from\":0,\"to\":0,"
                                   "\"editable\":1,\"extra\":0,\"entries\":[[\"w\",0,\"m\",0,-1,1,\"2024-1-1\","
                                   "\"\"]]}]}"))},
        {"second list malformed", Reply(EncodeSyncCopy(badSecondList))},
        {"list twice", Reply(EncodeSyncCopy(twice))},
    };
    std::vector<std::wstring> before = Lists();
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        http.reply = text;
        EXPECT_EQ(Download(), DATABASE_FAILED);
        EXPECT_EQ(Lists(), before);
    }
    http.reply = Reply("", "401 Unauthorized");
    EXPECT_EQ(Download(), DATABASE_WRONG_ACCOUNT);
    // An account without a copy yet.
    http.reply = Reply("");
    EXPECT_EQ(Download(), DATABASE_OK);
    EXPECT_EQ(Lists(), before);
}

TEST_F(SyncTest, ACancelDuringTheMergeUndoesTheWholeMerge)
{
    std::vector<std::wstring> before = Lists();
    http.reply = Reply(EncodeSyncCopy(ThreeLists()));
    progress.stopAt = L"Three";
    EXPECT_EQ(Download(), DATABASE_CANCELLED);
    EXPECT_EQ(Lists(), before);
}

TEST_F(SyncTest, NoAddressNoAccountOrAnOpenAddressSendNothing)
{
    std::vector<std::wstring> before = Lists();
    http.reply = Reply("");
    const std::pair<std::wstring, int> addresses[] = {
        {L"", DATABASE_NOT_SET_UP},
        {L"http://sync.example.org/kvx/sync", DATABASE_FAILED},
        {L"http://127.0.0.1.example.org/sync", DATABASE_FAILED},
        {L"http://127.0.0.1@example.org/sync", DATABASE_FAILED},
        {L"ftp://127.0.0.1/sync", DATABASE_FAILED},
    };
    for (const auto& [address, result] : addresses) {
        links.address = address;
        EXPECT_EQ(Download(), result) << Narrow(address);
    }
    links.address = kAddress;
    EXPECT_EQ(db->Synchronize(&http, L"", L"x", 0), DATABASE_WRONG_ACCOUNT);
    EXPECT_EQ(db->Synchronize(&http, L"ann@example.org", L"", 1), DATABASE_WRONG_ACCOUNT);
    EXPECT_EQ(db->Synchronize(&http, L"ann@example.org", L"x", 2), DATABASE_INVALID_ARGUMENT);
    EXPECT_EQ(http.opens, 0);

    CSqliteDataBase unlinked(nullptr, nullptr);
    ASSERT_EQ(unlinked.Open(DATABASE_OPEN_OPTIONS{1, 0}, path.c_str()), DATABASE_OK);
    EXPECT_EQ(unlinked.Synchronize(&http, L"ann@example.org", L"x", 0), DATABASE_NOT_SET_UP);
    EXPECT_EQ(http.opens, 0);

    for (const wchar_t* address : {L"http://127.0.0.1:8080/kvx/sync", L"HTTP://LOCALHOST/sync", L"http://[::1]:81/"}) {
        links.address = address;
        EXPECT_EQ(Download(), DATABASE_OK) << Narrow(address);
    }
    http.openResult = -1;
    EXPECT_EQ(Download(), DATABASE_NO_CONNECTION);
    EXPECT_EQ(Download(1), DATABASE_NO_CONNECTION);
    EXPECT_EQ(Lists(), before);
}

TEST_F(SyncTest, AFileOfTheFormerLayoutGetsStableIdsWhenItsListsFirstTravel)
{
    db.reset();
    sqlite3* file = nullptr;
    ASSERT_EQ(sqlite3_open(folder.Sub("Quenzel.pkv").c_str(), &file), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(file,
                           (std::string(kBackToLayout2) +
                            "DROP INDEX vocab_list_guid; ALTER TABLE vocab_list DROP COLUMN guid; PRAGMA user_version = 1")
                               .c_str(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(file);
    sqlite3_close(file);
    db = std::make_unique<CSqliteDataBase>(&progress, &links);
    ASSERT_EQ(db->Open(DATABASE_OPEN_OPTIONS{1, 0}, path.c_str()), DATABASE_OK);
    EXPECT_EQ(Lists(), (std::vector<std::wstring>{L"Local (1)", L"  sun = Sonne 0 2024-01-10"}));
    http.nextReplies = {Reply(""), Reply("OK\n")};
    ASSERT_EQ(Download(1), DATABASE_OK);
    EXPECT_NE(http.request.find("&data="), std::string::npos);
    // The id it was given stays.
    std::string upload = http.request;
    http.nextReplies = {Reply(""), Reply("OK\n")};
    ASSERT_EQ(Download(1), DATABASE_OK);
    EXPECT_EQ(http.request, upload);
    // An entry's status date stands for the time of its last change.
    SyncCopy copy = UploadedCopy(upload);
    ASSERT_EQ(copy.lists.size(), 1u);
    ASSERT_EQ(copy.lists[0].entries.size(), 1u);
    EXPECT_EQ(copy.lists[0].entries[0].changed, "2024-01-10T00:00:00.000Z");
}

TEST_F(SyncTest, ACopyWithATextHoldingNulIsRefusedWholeAndMatchesNoShorterWord)
{
    SyncCopy copy = ThreeLists();
    copy.lists[1].entries[0].word = std::wstring(L"sun\0shine", 9);
    http.reply = Reply(EncodeSyncCopy(copy));
    std::vector<std::wstring> before = Lists();
    EXPECT_EQ(Download(), DATABASE_INVALID_ARGUMENT);
    EXPECT_EQ(Lists(), before);
}

}  // namespace
}  // namespace dbtest
