// A stand-in for the online-services library in tests of the framework's
// start-up: it has the library's file name and its two HTTP exports, and
// does nothing (no object is made).

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

class CAbstractFile;
class CAbstractLog;

FAKE_EXPORT CAbstractFile* CreateHttpFile(const wchar_t*, CAbstractLog*) { return nullptr; }
FAKE_EXPORT void DeleteHttpFile(CAbstractFile*) {}
