#pragma once
// The program's application object over a fresh database in a temporary data
// folder, with HOME (and so the registry) redirected: the fixture of every
// headless test of the main program's pages and dialogs.

#include <gtest/gtest.h>

#include "Quenzel/App/QuenzelApp.h"
#include "testing/TempFolder.h"

class QuenzelAppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_home.RedirectHome();
        QuenzelSetApp(&m_app);
        m_app.SetDataBaseLibrary(L"DataBase.dll");
        m_app.SetDataFolder(m_data.WPath().c_str());
        ASSERT_TRUE(m_app.LoadDatabase());
    }
    void TearDown() override {
        m_app.ExitInstance();
        QuenzelSetApp(nullptr);
    }

    kvxtest::TempFolder m_home;
    kvxtest::TempFolder m_data;
    CQuenzelApp m_app;
};
