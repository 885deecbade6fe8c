#include "Pendrel/Core/FolderText.h"

CBasicString TrimFolderText(const wchar_t* folder) {
    CBasicString text(folder ? folder : L"");
    for (;;) {
        int before = text.GetLength();
        text.TrimRight();
        text.TrimRightChar(L'/');
        text.TrimRightChar(L'\\');
        if (text.GetLength() == before) return text;
    }
}

CBasicString JoinFolderText(const wchar_t* folder, const wchar_t* name) {
    CBasicString path = TrimFolderText(folder);
    path += L"/";
    path += name;
    return path;
}
