// sendrix_probe LIBRARY ftp PROTOCOL PORT
// sendrix_probe LIBRARY smtp PORT
//
// Opens one TLS connection to 127.0.0.1:PORT through the libSendrix.so at
// LIBRARY (loaded with dlopen, as the programs load it), without a
// certificate handler: an FTP connection with the profile's PROTOCOL,
// logged in as "anonymous", or an e-mail session over implicit TLS. Exit
// code 0 when the connection stood, 1 when it failed, 2 when the library
// could not be used. What the library logged goes to "probe.txt" beside
// this program.
//
// The integration tests copy it into a folder of their own with the
// library in another folder, so that "ClientCert.pem" beside the program
// is theirs and one beside the library is not the program's.

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "OnlineServices/Sendrix/AbstractConnection.h"
#include "OnlineServices/Sendrix/AbstractEmail.h"
#include "OnlineServices/Sendrix/AbstractOnlineModule.h"
#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "testing/RecordingLog.h"
#include "utility/Posix/Modules.h"
#include "utility/TextCodec.h"

namespace {

typedef CAbstractOnlineModule* (*CreateOnlineModuleFunction)(CAbstractLog*);
typedef void (*DeleteOnlineModuleFunction)(CAbstractOnlineModule*);
typedef CAbstractEmail* (*CreateEmailFunction)(CAbstractLog*);
typedef void (*DeleteEmailFunction)(CAbstractEmail*);

// This program's folder as a UTF-8 path ending with '/'.
std::string ProgramFolder() { return WideToUtf8(std::wstring(GetProgramFolder().GetString())); }

void WriteLog(const kvxtest::RecordingLog& log) {
    FILE* out = fopen((ProgramFolder() + "probe.txt").c_str(), "w");
    if (!out) return;
    for (const kvxtest::RecordedEntry& entry : log.Entries())
        fprintf(out, "%s %d %s\n", WideToUtf8(entry.category).c_str(), entry.code, WideToUtf8(entry.text).c_str());
    fclose(out);
}

int Ftp(void* library, kvxtest::RecordingLog& log, int protocol, int port) {
    auto create = reinterpret_cast<CreateOnlineModuleFunction>(dlsym(library, "CreateOnlineModule"));
    auto destroy = reinterpret_cast<DeleteOnlineModuleFunction>(dlsym(library, "DeleteOnlineModule"));
    CAbstractOnlineModule* module = create && destroy ? create(&log) : nullptr;
    if (!module) return 2;
    COnlineProfile profile;
    profile.SetHost(L"127.0.0.1");
    profile.SetPort(port);
    profile.SetUserName(L"anonymous");
    profile.SetPassword(L"guest");
    profile.SetPassive(1);
    profile.SetProtocol(protocol);
    CAbstractConnection* connection = module->CreateFtpConnection(&profile, nullptr, &log, nullptr);
    int result = connection ? 0 : 1;
    module->DeleteFtpConnection(connection);
    destroy(module);
    return result;
}

int Smtp(void* library, kvxtest::RecordingLog& log, int port) {
    auto create = reinterpret_cast<CreateEmailFunction>(dlsym(library, "CreateEmail"));
    auto destroy = reinterpret_cast<DeleteEmailFunction>(dlsym(library, "DeleteEmail"));
    CAbstractEmail* email = create && destroy ? create(&log) : nullptr;
    if (!email) return 2;
    int result = email->Connect(L"127.0.0.1", port, 1) == 1 ? 0 : 1;
    email->Quit();
    destroy(email);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    std::string kind = argc > 2 ? argv[2] : "";
    if (!((kind == "ftp" && argc == 5) || (kind == "smtp" && argc == 4))) {
        fprintf(stderr, "usage: sendrix_probe LIBRARY ftp PROTOCOL PORT | sendrix_probe LIBRARY smtp PORT\n");
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    kvxtest::RecordingLog log;
    for (int code = -31; code <= 16; ++code) log.Define(L"ONLINE", code, L"%s");
    for (int code = -10; code <= -1; ++code) log.Define(L"SOCKET", code, L"(%d) %s");
    // The e-mail events with a text argument.
    for (int code : {3, 5, 6, 14, 17, 22}) log.Define(L"EMAILNOTIFY", code, L"%s");
    // The trusted-certificate store would lie beside the log file: there is
    // none there.
    log.SetLogFilePath(std::wstring(GetProgramFolder().GetString()) + L"probe.log");
    int result = kind == "ftp" ? Ftp(library, log, atoi(argv[3]), atoi(argv[4])) : Smtp(library, log, atoi(argv[3]));
    WriteLog(log);
    dlclose(library);
    return result;
}
