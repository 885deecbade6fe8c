// sync_client ADDRESS DATAFILE EMAIL PASSWORD DIRECTION [CANCEL_AT_KIB]:
// synchronises DATAFILE as the main program's synchronisation job does:
// libDataBase.so and libSendrix.so are loaded from this program's folder,
// the database object gets a progress interface and a link table whose
// synchronisation link is ADDRESS, and Synchronize runs with an HTTP file
// of the online-services library. Prints "RESULT <code>" and exits 0;
// exits 2 when a library cannot be used.
//
// With CANCEL_AT_KIB the progress interface reports that the work no
// longer runs once a transfer has moved that many kibibytes.
//
// The integration tests copy it with both libraries into a folder of their
// own, so that "ClientCert.pem" beside it is theirs.

#include <dlfcn.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "DataBase/AbstractDataBase.h"
#include "Pendrel/Core/AbstractProgressStatus.h"
#include "utility/AbstractFile.h"

namespace {

typedef CAbstractFile* (*CreateHttpFileFunction)(const wchar_t*, CAbstractLog*);
typedef void (*DeleteHttpFileFunction)(CAbstractFile*);

std::string ProgramFolder()
{
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "./";
    std::string text(path, static_cast<size_t>(length));
    return text.substr(0, text.rfind('/') + 1);
}

std::wstring Widen(const char* text)
{
    std::wstring wide(std::mbstowcs(nullptr, text, 0) + 1, L'\0');
    wide.resize(std::mbstowcs(wide.data(), text, wide.size()));
    return wide;
}

class Links : public CAbstractLinkTable {
public:
    explicit Links(std::wstring address) : m_address(std::move(address)) {}
    const wchar_t* GetLinkURL(int id) const override { return id == kSyncServiceLinkId ? m_address.c_str() : L""; }

private:
    std::wstring m_address;
};

class Progress : public CAbstractProgressStatus {
public:
    explicit Progress(long cancelAt) : m_cancelAt(cancelAt) {}
    void AddLogMsg(const wchar_t*, const wchar_t*, LOG_ICON_TYPE, UINT) override {}
    const wchar_t* LoadStringW(UINT) override { return L""; }
    const char* WideCharToMultiByte(UINT, const wchar_t*) override { return ""; }
    const wchar_t* MultiByteToWideChar(UINT, const char*) override { return L""; }
    const char* MultiByteToMultiByte(UINT, const char*, UINT) override { return ""; }
    const wchar_t* EncodeURL(const wchar_t*) override { return L""; }
    void SetProgress(const ProgressInfo* info) override
    {
        if (info && info->kind == 2 && m_cancelAt > 0 && info->current2 >= m_cancelAt)
            m_running = FALSE;
    }
    const wchar_t* GetDocumentsPath() override { return L""; }
    BOOL IsRunning() override { return m_running; }

private:
    long m_cancelAt;
    BOOL m_running = TRUE;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: sync_client ADDRESS DATAFILE EMAIL PASSWORD DIRECTION [CANCEL_AT_KIB]\n");
        return 2;
    }
    std::setlocale(LC_ALL, "C.UTF-8");
    std::string folder = ProgramFolder();
    void* database = dlopen((folder + "libDataBase.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    void* online = dlopen((folder + "libSendrix.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!database || !online) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    auto createDataBase = reinterpret_cast<CreateDataBaseFunction>(dlsym(database, "CreateDataBase"));
    auto deleteDataBase = reinterpret_cast<DeleteDataBaseFunction>(dlsym(database, "DeleteDataBase"));
    auto createHttpFile = reinterpret_cast<CreateHttpFileFunction>(dlsym(online, "CreateHttpFile"));
    auto deleteHttpFile = reinterpret_cast<DeleteHttpFileFunction>(dlsym(online, "DeleteHttpFile"));
    if (!createDataBase || !deleteDataBase || !createHttpFile || !deleteHttpFile)
        return 2;

    Links links(Widen(argv[1]));
    Progress progress(argc == 7 ? std::atol(argv[6]) : 0);
    CAbstractDataBase* db = createDataBase(&progress, &links, 0);
    if (!db || db->Open(DATABASE_OPEN_OPTIONS{1, 0}, Widen(argv[2]).c_str()) != DATABASE_OK)
        return 2;
    CAbstractFile* http = createHttpFile(nullptr, nullptr);
    if (!http)
        return 2;
    int result = db->Synchronize(http, Widen(argv[3]).c_str(), Widen(argv[4]).c_str(), std::atoi(argv[5]));
    std::printf("RESULT %d\n", result);
    deleteHttpFile(http);
    deleteDataBase(db);
    return 0;
}
