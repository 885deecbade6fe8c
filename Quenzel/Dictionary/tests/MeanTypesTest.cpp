// The meaning types as the word editor reads them: their default names
// come from the program's string table.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Quenzel/Dictionary/MeanTypes.h"
#include "Quenzel/Shell/tests/QuenzelAppFixture.h"
#include "RecordingDataBase.h"

namespace {

class MeanTypesTest : public QuenzelAppFixture {
protected:
    void SetUp() override {
        QuenzelAppFixture::SetUp();
        db = std::make_unique<CRecordingDataBase>(*m_app.GetDataBase());
    }

    std::unique_ptr<CRecordingDataBase> db;
};

} // namespace

TEST_F(MeanTypesTest, EmptyDatabaseGetsTheFourDefaultTypes) {
    db->HideMeanTypes(true);
    const std::vector<MeanTypeRecord> types = CMeanTypes::Load(*db);
    std::vector<std::wstring> texts;
    for (const MeanTypeRecord& type : types) {
        texts.push_back(CMeanTypes::EntryText(type).GetString());
        EXPECT_GT(type.id, 0);
    }
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Manual (None)", L"Verb (v.)", L"Noun (n.)", L"Adjective (a.)"}));
    EXPECT_EQ(db->CallsOf({"AddMeanType"}).size(), 4u);

    // A database with types keeps them.
    db->HideMeanTypes(false);
    db->ClearCalls();
    EXPECT_EQ(CMeanTypes::Load(*db).size(), 8u);
    EXPECT_TRUE(db->CallsOf({"AddMeanType"}).empty());
    EXPECT_STREQ((CMeanTypes::Trimmed(L"  \tNoun \n")).GetString(), L"Noun");
}
