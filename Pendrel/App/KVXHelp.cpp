#include "Pendrel/App/KVXHelp.h"

#include <QFileInfo>

#include <string>

#include "Pendrel/Platform/KVXLauncher.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXText.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/SystemError.h"

namespace {

const wchar_t kHelpExtension[] = L".html";

bool IsFile(const CBasicString& path) {
    return !path.IsEmpty() && QFileInfo(KVXToQString(path.GetString())).isFile();
}

} // namespace

CBasicString KVXFindHelpFile(const wchar_t* programPath, const wchar_t* title, const char* sourceFile, int line) {
    const std::wstring program = programPath ? programPath : L"";
    const size_t slash = program.rfind(L'/');
    ReportAssertion(slash != std::wstring::npos, sourceFile, line);
    if (slash == std::wstring::npos) return CBasicString();
    const CBasicString help((program.substr(0, slash + 1) + (title ? title : L"") + kHelpExtension).c_str());
    return IsFile(help) ? help : CBasicString();
}

BOOL KVXShowHelp(QWidget* parent, const CBasicString& helpFile, const wchar_t* title) {
    DWORD error = ERROR_SUCCESS;
    if (!IsFile(helpFile))
        error = ERROR_FILE_NOT_FOUND;
    else if (!KVXOpenFile(helpFile.GetString()))
        error = ERROR_NO_ASSOCIATION;
    if (error == ERROR_SUCCESS) return TRUE;
    KVXMessageBox(parent, GetSystemErrorText(error).GetString(), title ? title : L"", MB_ICONERROR);
    return FALSE;
}
