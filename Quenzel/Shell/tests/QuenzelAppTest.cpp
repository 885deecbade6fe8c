#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "Pendrel/Platform/KVXMessageBox.h"
#include "Quenzel/App/QuenzelApp.h"
#include "testing/OtherFileUser.h"
#include "testing/TempFolder.h"
#include "utility/Posix/BasicRegistry.h"

namespace {

std::vector<BYTE> Png(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::vector<BYTE>(bytes.begin(), bytes.end());
}

class QuenzelAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_home.RedirectHome();
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString& caption, UINT flags) {
            m_boxes.push_back(text);
            m_captions.push_back(caption);
            m_flags.push_back(flags);
            return IDOK;
        });
    }
    void TearDown() override { KVXSetMessageBoxHandler({}); }

    kvxtest::TempFolder m_home;
    kvxtest::TempFolder m_data;
    std::vector<CBasicString> m_boxes, m_captions;
    std::vector<UINT> m_flags;
};

} // namespace

TEST_F(QuenzelAppTest, AMissingDatabaseLibraryIsReportedAndEndsTheStartWithoutWritingSettings) {
    {
        CQuenzelApp app;
        app.SetDataBaseLibrary(L"/no/such/folder/libDataBase.so");
        app.SetDataFolder(m_data.WPath().c_str());
        EXPECT_FALSE(app.LoadDatabase());
        EXPECT_EQ(app.GetDataBase(), nullptr);
        app.ExitInstance();
    }
    ASSERT_EQ(m_boxes.size(), 1u);
    const std::wstring text(m_boxes[0].GetString());
    EXPECT_EQ(text.rfind(L"Database DLL cannot be initialized. System error (126) ", 0), 0u) << text;
    EXPECT_STREQ(m_captions[0].GetString(), L"Quenzel");
    EXPECT_EQ(m_flags[0], 0x50010u);
    // The exit after the failed start left the stored settings alone.
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    EXPECT_EQ(registry.GetDWORD(L"Settings", L"KnownColor", 12345), 12345u);
    EXPECT_FALSE(std::filesystem::exists(m_data.Sub("Quenzel.pkv")));
}

TEST_F(QuenzelAppTest, AStartOpensAFreshDataFileAndTheExitSavesTheSettings) {
    {
        CQuenzelApp app;
        QuenzelSetApp(&app);
        app.SetDataBaseLibrary(L"DataBase.dll");
        app.SetDataFolder(m_data.WPath().c_str());
        ASSERT_TRUE(app.LoadDatabase());
        EXPECT_TRUE(m_boxes.empty());
        EXPECT_TRUE(std::filesystem::exists(m_data.Sub("Quenzel.pkv")));
        ASSERT_NE(app.GetDataBase(), nullptr);
        EXPECT_FALSE(app.GetDataBase()->GetLanguages(0).empty());
        app.GetOptions().SetKnownColor(0x123456);
        app.ExitInstance();
        QuenzelSetApp(nullptr);
    }
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    EXPECT_EQ(registry.GetDWORD(L"Settings", L"KnownColor", 0), 0x123456u);
    EXPECT_EQ(registry.GetDWORD(L"WindowsPos\\Quiz", L"Bottom", 99), 0u);
}

TEST_F(QuenzelAppTest, PluginsWithoutAStoredValueAreDisabled) {
    kvxtest::TempFolder plugins;
    plugins.WriteFile("plugin_one.so", "x");
    plugins.WriteFile("plugin_two.so", "x");
    plugins.WriteFile("other.so", "x");
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    registry.SetDWORD(L"Settings", L"plugin_two.so", 1);
    registry.SetDWORD(L"Settings", L"plugin_gone.so", 1);
    CQuenzelApp app;
    app.SetDataBaseLibrary(L"DataBase.dll");
    app.SetDataFolder(m_data.WPath().c_str());
    app.GetOptions().SetPluginFolder(plugins.WPath().c_str());
    ASSERT_TRUE(app.LoadDatabase());
    const std::vector<PluginEntry> list = app.GetDataBase()->GetPlugins();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_STREQ(list[0].fileName.GetString(), L"plugin_one.so");
    EXPECT_EQ(list[0].enabled, 0);
    EXPECT_STREQ(list[1].fileName.GetString(), L"plugin_two.so");
    EXPECT_EQ(list[1].enabled, 1);
    app.ExitInstance();
}

TEST_F(QuenzelAppTest, TheImageCacheKeepsTheFirstFlagOfAnIdAndSkipsEmptyPictures) {
    CQuenzelApp app;
    LanguageRecord red, blue, empty, broken;
    red.id = 3;
    red.picture = Png(4, 2, Qt::red);
    blue.id = 3;
    blue.picture = Png(6, 6, Qt::blue);
    empty.id = 4;
    broken.id = 5;
    broken.picture = {1, 2, 3};
    app.FillImageCache({red, blue, empty, broken});
    ASSERT_NE(app.FindFlag(3), nullptr);
    EXPECT_EQ(app.FindFlag(3)->size(), QSize(4, 2));
    EXPECT_EQ(app.FindFlag(3)->pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(app.FindFlag(4), nullptr);
    EXPECT_EQ(app.FindFlag(5), nullptr);
    app.FillImageCache({});
    EXPECT_TRUE(app.GetImageCache().empty());
}

namespace {

void RunSql(const std::string& file, const char* sql) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
    sqlite3_close(raw);
}

} // namespace

TEST_F(QuenzelAppTest, ADataFileThatDoesNotOpenIsReportedWithItsReasonAndTheStartFails) {
    // A data file with a word list, made by a start that worked.
    {
        CQuenzelApp app;
        app.SetDataBaseLibrary(L"DataBase.dll");
        app.SetDataFolder(m_data.WPath().c_str());
        ASSERT_TRUE(app.LoadDatabase());
        app.ExitInstance();
    }
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    registry.SetDWORD(L"Settings", L"KnownColor", 0xABCDEF);
    const std::string file = m_data.Sub("Quenzel.pkv");
    const std::string good = kvxtest::TempFolder::ReadFile(file);
    ASSERT_GT(good.size(), 8192u);
    const std::string folder = m_data.Path();

    struct Case {
        const char* name;
        std::function<void()> damage;
        const wchar_t* reason;
    } cases[] = {
        {"truncated", [&] { m_data.WriteFile("Quenzel.pkv", good.substr(0, 5000)); }, L"is damaged"},
        {"tables dropped", [&] { RunSql(file, "DROP TABLE list_entry"); }, L"is damaged"},
        {"read-only file", [&] { chmod(file.c_str(), 0444); }, L"is read-only"},
        {"read-only folder", [&] { chmod(folder.c_str(), 0555); }, L"is read-only"},
        {"folder not accessible", [&] { chmod(folder.c_str(), 0); }, L"data folder"},
    };
    for (const Case& c : cases) {
        m_data.WriteFile("Quenzel.pkv", good);
        c.damage();
        const std::string before = kvxtest::TempFolder::ReadFile(file);
        m_boxes.clear();
        m_flags.clear();
        {
            kvxtest::OtherFileUser user(folder);
            CQuenzelApp app;
            app.SetDataBaseLibrary(L"DataBase.dll");
            app.SetDataFolder(m_data.WPath().c_str());
            EXPECT_FALSE(app.LoadDatabase()) << c.name;
            EXPECT_FALSE(app.IsSettingsLoaded()) << c.name;
            app.ExitInstance();
        }
        chmod(folder.c_str(), 0700);
        chmod(file.c_str(), 0644);
        ASSERT_EQ(m_boxes.size(), 1u) << c.name;
        const std::wstring text(m_boxes[0].GetString());
        EXPECT_NE(text.find(c.reason), std::wstring::npos) << c.name << ": " << kvxtest::Narrow(text);
        EXPECT_NE(text.find(kvxtest::Widen(folder)), std::wstring::npos) << c.name << ": " << kvxtest::Narrow(text);
        EXPECT_EQ(text.find(L"LogDef.ini"), std::wstring::npos) << c.name;
        EXPECT_EQ(m_flags[0], 0x50010u) << c.name;
        // Nothing was written into the file, and no log file was left behind.
        EXPECT_EQ(kvxtest::TempFolder::ReadFile(file), before) << c.name;
        EXPECT_FALSE(std::filesystem::exists(file + "-shm")) << c.name;
        EXPECT_FALSE(std::filesystem::exists(file + "-wal")) << c.name;
    }
    // The stored settings were not overwritten by the failed starts.
    EXPECT_EQ(registry.GetDWORD(L"Settings", L"KnownColor", 0), 0xABCDEFu);
}
