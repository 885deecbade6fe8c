#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "testing/RecordingLog.h"
#include "utility/BasicString.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/EventHandle.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/SystemError.h"
#include "utility/StringTable.h"

namespace {

std::string ProgramFolder() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return ".";
    std::string full(path, (size_t)n);
    return full.substr(0, full.rfind('/'));
}

// One of the test modules, loaded privately as a plug-in would be.
class CSinkModule {
public:
    explicit CSinkModule(const char* name) {
        std::string path = ProgramFolder() + "/lib" + name + ".so";
        m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!m_handle) return;
        SetLog = (void (*)(CAbstractLog*))dlsym(m_handle, "SinkModuleSetLog");
        GetLog = (CAbstractLog * (*)()) dlsym(m_handle, "SinkModuleGetLog");
        Report = (void (*)(int))dlsym(m_handle, "SinkModuleReportAssertion");
        Handle = (HINSTANCE(*)())dlsym(m_handle, "SinkModuleHandle");
        LoadString = (int (*)(HINSTANCE, UINT, wchar_t*, int))dlsym(m_handle, "SinkModuleLoadString");
        CreateEvent = (HANDLE(*)())dlsym(m_handle, "SinkModuleCreateEvent");
        CloseEvent = (BOOL(*)(HANDLE))dlsym(m_handle, "SinkModuleCloseHandle");
    }
    ~CSinkModule() { Close(); }
    void Close() {
        if (m_handle) dlclose(m_handle);
        m_handle = nullptr;
    }
    bool Loaded() const {
        return m_handle && SetLog && GetLog && Report && Handle && LoadString && CreateEvent && CloseEvent;
    }

    void (*SetLog)(CAbstractLog*) = nullptr;
    CAbstractLog* (*GetLog)() = nullptr;
    void (*Report)(int) = nullptr;
    HINSTANCE (*Handle)() = nullptr;
    int (*LoadString)(HINSTANCE, UINT, wchar_t*, int) = nullptr;
    HANDLE (*CreateEvent)() = nullptr;
    BOOL (*CloseEvent)(HANDLE) = nullptr;

private:
    void* m_handle = nullptr;
};

TEST(ModuleSink, EachModuleKeepsItsOwnLibraryLog) {
    CSinkModule a("kvx_test_sink_a"), b("kvx_test_sink_b");
    ASSERT_TRUE(a.Loaded()) << dlerror();
    ASSERT_TRUE(b.Loaded());
    kvxtest::RecordingLog logA, logB;
    SetLibraryLog(nullptr);

    a.SetLog(&logA);
    EXPECT_EQ(a.GetLog(), &logA);
    EXPECT_EQ(b.GetLog(), nullptr);
    EXPECT_EQ(GetLibraryLog(), nullptr);

    a.Report(10);
    b.Report(20);
    ReportAssertion(0, ".\\Program", 30);
    auto entries = logA.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].sourceFile, L".\\SinkModule");
    EXPECT_EQ(entries[0].line, 10);

    b.SetLog(&logB);
    b.Report(21);
    EXPECT_EQ(logA.Entries().size(), 1u);
    ASSERT_EQ(logB.Entries().size(), 1u);
    EXPECT_EQ(logB.Entries()[0].line, 21);
    EXPECT_EQ(a.GetLog(), &logA);
}

TEST(ModuleSink, StringTablesAreFoundByModuleFromAnyModule) {
    CSinkModule a("kvx_test_sink_a"), b("kvx_test_sink_b");
    ASSERT_TRUE(a.Loaded() && b.Loaded());
    HINSTANCE moduleA = a.Handle(), moduleB = b.Handle();
    ASSERT_NE(moduleA, nullptr);
    ASSERT_NE(moduleA, moduleB);
    EXPECT_NE(moduleA, GetCurrentModuleHandle());

    CBasicString text;
    EXPECT_EQ(text.LoadString(moduleA, 100), 1);
    EXPECT_STREQ(text.GetString(), L"Text of module A");
    EXPECT_EQ(text.LoadString(moduleB, 100), 1);
    EXPECT_STREQ(text.GetString(), L"Text of module B");
    EXPECT_EQ(text.LoadString(moduleA, 101), 0);

    // Module B's own copy of the string class finds module A's table too.
    wchar_t buffer[64];
    EXPECT_EQ(b.LoadString(moduleA, 100, buffer, 64), 1);
    EXPECT_STREQ(buffer, L"Text of module A");

    // Unloading a module takes its table away.
    a.Close();
    EXPECT_EQ(text.LoadString(moduleA, 100), 0);
    EXPECT_EQ(text.LoadString(moduleB, 100), 1);
}

// Every module holds its own copy of the handle layer, but the handles are
// the process's: one made in a module works and is closed in another, and
// once closed it is invalid everywhere.
TEST(ModuleSink, HandlesAreValidAcrossModulesAndClosedOnce) {
    CSinkModule a("kvx_test_sink_a"), b("kvx_test_sink_b");
    ASSERT_TRUE(a.Loaded() && b.Loaded());

    HANDLE fromA = a.CreateEvent();
    ASSERT_NE(fromA, nullptr);
    EXPECT_EQ(WaitForSingleObject(fromA, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(fromA));
    EXPECT_FALSE(a.CloseEvent(fromA));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);

    HANDLE fromProgram = CreateEventHandle(TRUE, FALSE);
    ASSERT_NE(fromProgram, nullptr);
    EXPECT_TRUE(b.CloseEvent(fromProgram));
    EXPECT_FALSE(CloseHandle(fromProgram));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

} // namespace
