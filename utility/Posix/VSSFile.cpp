#include "utility/Posix/VSSFile.h"

#include "utility/AbstractSnapshot.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\Windows\\VSSFile";
const wchar_t kReportSource[] = L".\\Windows\\VSSFile";
constexpr int kLineOpen = 61;
constexpr int kLineOpenFailed = 78;

} // namespace

CVSSFile::CVSSFile(CAbstractSnapshot* mapper, const wchar_t* name, CAbstractLog* log)
    : CBasicFile(name, log), m_mapper(mapper) {}

CVSSFile::~CVSSFile() { m_mapper = nullptr; }

CBasicString CVSSFile::MappedPath(const wchar_t* name) {
    if (!m_mapper) return CBasicString();
    return CBasicString(m_mapper->MapPath(name));
}

int CVSSFile::Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) {
    ReportAssertion(name != nullptr, kSourceFile, kLineOpen);
    if (!name) return -1;
    Close();
    CBasicString mapped = MappedPath(name);
    if (!mapped.IsEmpty()) {
        m_fileName = name;
        if (OpenPath(mapped.GetString(), access, disposition, flagsAndAttributes, kReportSource, kLineOpenFailed) == 0)
            return 0;
    }
    return CBasicFile::Open(name, access, share, disposition, flagsAndAttributes);
}
