#include <gtest/gtest.h>

#include <sys/socket.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "OnlineServices/Sendrix/AbstractEmail.h"
#include "OnlineServices/Sendrix/AbstractOnlineModule.h"
#include "OnlineServices/Sendrix/AbstractSocket.h"
#include "OnlineServices/Sendrix/LibraryEntry.h"
#include "OnlineServices/Sendrix/Posix/SocketError.h"
#include "OnlineServices/Sendrix/Sendrix.h"
#include "testing/RecordingLog.h"
#include "utility/AbstractFile.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/Modules.h"
#include "utility/Posix/SystemError.h"
#include "utility/StringTable.h"

namespace {

// The built library, loaded as the framework loads it.
class CSendrixLibrary {
public:
    CSendrixLibrary() : m_module(LoadDynamicLibrary(L"Sendrix.dll")) {
        if (!m_module) return;
        CreateOnlineModule = (decltype(CreateOnlineModule))GetLibraryFunction(m_module, "CreateOnlineModule");
        DeleteOnlineModule = (decltype(DeleteOnlineModule))GetLibraryFunction(m_module, "DeleteOnlineModule");
        CreateEmail = (decltype(CreateEmail))GetLibraryFunction(m_module, "CreateEmail");
        DeleteEmail = (decltype(DeleteEmail))GetLibraryFunction(m_module, "DeleteEmail");
        CreateHttpFile = (decltype(CreateHttpFile))GetLibraryFunction(m_module, "CreateHttpFile");
        DeleteHttpFile = (decltype(DeleteHttpFile))GetLibraryFunction(m_module, "DeleteHttpFile");
    }
    ~CSendrixLibrary() {
        if (m_module) FreeDynamicLibrary(m_module);
    }
    HMODULE Module() const { return m_module; }

    CAbstractOnlineModule* (*CreateOnlineModule)(CAbstractLog*) = nullptr;
    void (*DeleteOnlineModule)(CAbstractOnlineModule*) = nullptr;
    CAbstractEmail* (*CreateEmail)(CAbstractLog*) = nullptr;
    void (*DeleteEmail)(CAbstractEmail*) = nullptr;
    CAbstractFile* (*CreateHttpFile)(const wchar_t*, CAbstractLog*) = nullptr;
    void (*DeleteHttpFile)(CAbstractFile*) = nullptr;

private:
    HMODULE m_module;
};

TEST(SendrixLibrary, LoadsWithAllSixExportsAndKeepsItsUtilityHidden) {
    CSendrixLibrary library;
    ASSERT_NE(library.Module(), nullptr) << "libSendrix.so beside the test program";
    ASSERT_NE(library.CreateOnlineModule, nullptr);
    ASSERT_NE(library.DeleteOnlineModule, nullptr);
    ASSERT_NE(library.CreateEmail, nullptr);
    ASSERT_NE(library.DeleteEmail, nullptr);
    ASSERT_NE(library.CreateHttpFile, nullptr);
    ASSERT_NE(library.DeleteHttpFile, nullptr);
    // Its own copy of the utility library (and so its own log sink) is not
    // reachable from outside.
    EXPECT_EQ(GetLibraryFunction(library.Module(), "_Z13SetLibraryLogP11CAbstractLog"), nullptr);
    EXPECT_EQ(GetLibraryFunction(library.Module(), "_Z13GetLibraryLogv"), nullptr);

    kvxtest::RecordingLog log;
    library.DeleteOnlineModule(library.CreateOnlineModule(&log));
    library.DeleteEmail(library.CreateEmail(&log));
    library.DeleteHttpFile(library.CreateHttpFile(L"http://127.0.0.1/x", &log));
    library.DeleteHttpFile(library.CreateHttpFile(nullptr, &log));
}

TEST(SendrixLibrary, DeletersAcceptNull) {
    CSendrixLibrary library;
    ASSERT_NE(library.Module(), nullptr);
    library.DeleteOnlineModule(nullptr);
    library.DeleteEmail(nullptr);
    library.DeleteHttpFile(nullptr);
    // The same functions linked into this program.
    DeleteOnlineModule(nullptr);
    DeleteEmail(nullptr);
    DeleteHttpFile(nullptr);
}

// The loaded library keeps its own copy of the utility library, but the
// last error is one per thread for the whole process: what a failing call
// inside the library leaves is the calling thread's, and only its.
TEST(SendrixLibrary, ErrorLeftInsideTheLibraryIsTheCallingThreadsLastError) {
    CSendrixLibrary library;
    ASSERT_NE(library.Module(), nullptr);
    CAbstractOnlineModule* module = library.CreateOnlineModule(nullptr);
    ASSERT_NE(module, nullptr);
    CAbstractSocket* socket = module->CreateSocket(nullptr);
    ASSERT_NE(socket, nullptr);
    ASSERT_EQ(socket->Create(0, SOCK_STREAM, nullptr), 1);
    CBasicString address;
    int port = 0;

    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(socket->GetPeerName(address, port), 0);
    EXPECT_EQ(GetLastError(), WSAENOTCONN);

    SetLastError(ERROR_FILE_NOT_FOUND);
    DWORD otherAtStart = 1, otherAfterFailure = 0;
    std::thread other([&] {
        otherAtStart = GetLastError();
        socket->GetPeerName(address, port);
        otherAfterFailure = GetLastError();
    });
    other.join();
    EXPECT_EQ(otherAtStart, (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(otherAfterFailure, WSAENOTCONN);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);

    module->DeleteSocket(socket);
    library.DeleteOnlineModule(module);
}

TEST(SendrixLibrary, ModuleInstanceIsTheModuleHoldingTheCode) {
    EXPECT_NE(GetModuleInstance(), nullptr);
    EXPECT_EQ(GetModuleInstance(), GetModuleHandleFromAddress((const void*)&GetModuleInstance));
}

// The library-wide log sink after a sequence of factory calls (the exports
// linked into this program set this program's sink, as the loaded library
// sets its own).
class LibraryLogRules : public ::testing::Test {
protected:
    void SetUp() override { SetLibraryLog(nullptr); }
    void TearDown() override { SetLibraryLog(nullptr); }

    static void Http(CAbstractLog* log) { DeleteHttpFile(CreateHttpFile(L"http://127.0.0.1/", log)); }
    static void Module(CAbstractLog* log) { DeleteOnlineModule(CreateOnlineModule(log)); }
    static void Email(CAbstractLog* log) { DeleteEmail(CreateEmail(log)); }

    kvxtest::RecordingLog a, b;
};

TEST_F(LibraryLogRules, PrecedenceOfTheFactories) {
    struct Row {
        const char* name;
        std::vector<std::function<void()>> calls;
        CAbstractLog* sink;
    };
    const std::vector<Row> rows = {
        {"http file sets an unset sink", {[&] { Http(&a); }}, &a},
        {"the first http file decides", {[&] { Http(&a); }, [&] { Http(&b); }}, &a},
        {"an http file without a log leaves it unset", {[&] { Http(nullptr); }, [&] { Http(&b); }}, &b},
        {"the module always replaces it", {[&] { Http(&a); }, [&] { Module(&b); }}, &b},
        {"the module silences it with null", {[&] { Http(&a); }, [&] { Module(nullptr); }}, nullptr},
        {"an http file after the module keeps it", {[&] { Module(&a); }, [&] { Http(&b); }}, &a},
        {"e-mail leaves it alone", {[&] { Email(&a); }}, nullptr},
        {"e-mail leaves it alone when set", {[&] { Http(&a); }, [&] { Email(&b); }}, &a},
    };
    for (const Row& row : rows) {
        SetLibraryLog(nullptr);
        for (const auto& call : row.calls) call();
        EXPECT_EQ(GetLibraryLog(), row.sink) << row.name;
    }
}

TEST_F(LibraryLogRules, AssertionReportsGoToTheSinkTheFirstHttpFileSet) {
    Http(&a);
    Http(&b);
    ReportAssertion(0, ".\\Test", 7);
    ASSERT_EQ(a.Entries().size(), 1u);
    EXPECT_EQ(a.Entries()[0].text, L"Assert Failed!!!");
    EXPECT_TRUE(b.Entries().empty());
}

} // namespace
