// sendrix_fetch URL RESULTFILE: downloads URL through the HTTP file of the
// libSendrix.so that lies beside this program (loaded with dlopen, as the
// programs load it) and writes "<SHA-256 in hex> <byte count>" to
// RESULTFILE. Exit code 0 on success, 1 when the download failed, 2 when
// the library could not be used.
//
// The integration tests copy it with the library into a folder of their
// own, so that "ClientCert.pem" beside it is theirs.

#include <dlfcn.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "utility/AbstractFile.h"

namespace {

typedef CAbstractFile* (*CreateHttpFileFunction)(const wchar_t*, CAbstractLog*);
typedef void (*DeleteHttpFileFunction)(CAbstractFile*);

std::string ProgramFolder() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "./";
    std::string text(path, (size_t)length);
    return text.substr(0, text.rfind('/') + 1);
}

std::wstring Widen(const char* text) {
    std::wstring wide;
    for (const char* c = text; *c; ++c) wide += (wchar_t)(unsigned char)*c;
    return wide;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: sendrix_fetch URL RESULTFILE\n");
        return 2;
    }
    void* library = dlopen((ProgramFolder() + "libSendrix.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    auto create = reinterpret_cast<CreateHttpFileFunction>(dlsym(library, "CreateHttpFile"));
    auto destroy = reinterpret_cast<DeleteHttpFileFunction>(dlsym(library, "DeleteHttpFile"));
    if (!create || !destroy) return 2;

    std::wstring url = Widen(argv[1]);
    CAbstractFile* file = create(url.c_str(), nullptr);
    if (!file) return 2;
    int result = 1;
    if (file->Open(url.c_str(), GENERIC_READ, 0, 0, 0) == 0) {
        EVP_MD_CTX* digest = EVP_MD_CTX_new();
        EVP_DigestInit_ex(digest, EVP_sha256(), nullptr);
        std::vector<char> buffer(1 << 16);
        unsigned long long total = 0;
        DWORD done = 0;
        bool ok;
        while ((ok = file->Read(buffer.data(), (DWORD)buffer.size(), &done) == 0) && done > 0) {
            EVP_DigestUpdate(digest, buffer.data(), done);
            total += done;
            if (done < buffer.size()) break;
        }
        unsigned char hash[EVP_MAX_MD_SIZE];
        unsigned hashLength = 0;
        EVP_DigestFinal_ex(digest, hash, &hashLength);
        EVP_MD_CTX_free(digest);
        if (ok) {
            if (FILE* out = fopen(argv[2], "w")) {
                for (unsigned i = 0; i < hashLength; ++i) fprintf(out, "%02x", hash[i]);
                fprintf(out, " %llu\n", total);
                fclose(out);
                result = 0;
            }
        }
        file->Close();
    }
    destroy(file);
    dlclose(library);
    return result;
}
