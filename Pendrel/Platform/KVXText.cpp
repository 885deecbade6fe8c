#include "Pendrel/Platform/KVXText.h"

#include <cwchar>
#include <vector>

QString KVXToQString(const wchar_t* text, int length) {
    if (!text) return QString();
    if (length < 0) length = static_cast<int>(std::wcslen(text));
    return QString::fromWCharArray(text, length);
}

CBasicString KVXFromQString(const QString& text) {
    if (text.isEmpty()) return CBasicString();
    std::vector<wchar_t> buffer(static_cast<size_t>(text.size()) + 1, L'\0');
    const int length = text.toWCharArray(buffer.data());
    return CBasicString(buffer.data(), length);
}
