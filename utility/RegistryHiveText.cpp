#include "utility/RegistryHiveText.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "utility/RegistryKey.h"
#include "utility/TextCodec.h"

namespace {

const char kHeadLine[] = "; Morvane settings hive\n";
const char kHexDigits[] = "0123456789abcdef";

bool NeedsEscape(wchar_t ch) {
    uint32_t c = (uint32_t)ch;
    return c == '%' || c == '"' || c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF;
}

// At least minDigits lower-case hex digits.
void AppendHexNumber(std::string& out, uint32_t value, int minDigits) {
    char digits[8];
    int n = 0;
    do {
        digits[n++] = kHexDigits[value & 0xF];
        value >>= 4;
    } while (value || n < minDigits);
    while (n) out.push_back(digits[--n]);
}

void AppendEscaped(std::string& out, const std::wstring& text) {
    std::wstring plain;
    auto flush = [&] {
        out += WideToUtf8(plain);
        plain.clear();
    };
    for (wchar_t ch : text) {
        if (!NeedsEscape(ch)) {
            plain.push_back(ch);
            continue;
        }
        flush();
        out += "%{";
        AppendHexNumber(out, (uint32_t)ch, 1);
        out.push_back('}');
    }
    flush();
}

int HexValue(wchar_t ch) {
    if (ch >= L'0' && ch <= L'9') return ch - L'0';
    if (ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
    if (ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
    return -1;
}

// Reads 1 to 8 hex digits that make up the whole text.
std::optional<uint32_t> ParseHexNumber(const std::wstring& text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (wchar_t ch : text) {
        int digit = HexValue(ch);
        if (digit < 0) return std::nullopt;
        value = (value << 4) | (uint32_t)digit;
    }
    return value;
}

// The text of a name, path component or string as it was before escaping;
// nothing when an escape is malformed.
std::optional<std::wstring> Unescape(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 1 >= text.size() || text[i + 1] != L'{') return std::nullopt;
        size_t close = text.find(L'}', i + 2);
        if (close == std::wstring::npos) return std::nullopt;
        std::optional<uint32_t> c = ParseHexNumber(text.substr(i + 2, close - i - 2));
        if (!c) return std::nullopt;
        out.push_back((wchar_t)(int32_t)*c);
        i = close;
    }
    return out;
}

// The bytes of "aa,bb,..." (an empty text gives none). Bytes and numbers
// are read only in the width they are written in, so that a cut line is
// found out.
std::optional<std::vector<BYTE>> ParseHexBytes(const std::wstring& text) {
    std::vector<BYTE> bytes;
    if (text.empty()) return bytes;
    size_t start = 0;
    while (true) {
        size_t comma = text.find(L',', start);
        std::wstring item = text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        std::optional<uint32_t> value = ParseHexNumber(item);
        if (!value || item.size() != 2) return std::nullopt;
        bytes.push_back((BYTE)*value);
        if (comma == std::wstring::npos) return bytes;
        start = comma + 1;
    }
}

bool IsCanonicalText(const CRegistryValue& value) {
    const std::vector<BYTE>& d = value.data;
    if (value.type != REG_SZ || d.size() < 2 || d.size() % 2 != 0) return false;
    for (size_t i = 0; i < d.size(); i += 2) {
        bool zero = d[i] == 0 && d[i + 1] == 0;
        if (zero != (i + 2 == d.size())) return false;
    }
    return true;
}

void AppendHexBytes(std::string& out, const std::vector<BYTE>& data) {
    for (size_t i = 0; i < data.size(); ++i) {
        if (i) out.push_back(',');
        out.push_back(kHexDigits[data[i] >> 4]);
        out.push_back(kHexDigits[data[i] & 0xF]);
    }
}

void AppendValueLine(std::string& out, const CRegistryValue& value) {
    out.push_back('"');
    AppendEscaped(out, value.name);
    out += "\"=";
    if (IsCanonicalText(value)) {
        out.push_back('"');
        AppendEscaped(out, Utf16LEToWide(value.data.data(), value.data.size() - 2));
        out.push_back('"');
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD n = (DWORD)value.data[0] | (DWORD)value.data[1] << 8 | (DWORD)value.data[2] << 16 |
                  (DWORD)value.data[3] << 24;
        out += "dword:";
        AppendHexNumber(out, n, 8);
    } else {
        if (value.type == REG_BINARY) {
            out += "hex:";
        } else {
            out += "hex(";
            AppendHexNumber(out, value.type, 1);
            out += "):";
        }
        AppendHexBytes(out, value.data);
    }
    out.push_back('\n');
}

void AppendKey(std::string& out, const CRegistryKey& key, const std::string& path, bool isTop) {
    if (!isTop || key.GetValueCount() > 0) {
        out += "\n[" + path + "]\n";
        for (size_t i = 0; i < key.GetValueCount(); ++i) AppendValueLine(out, key.GetValue(i));
    }
    for (size_t i = 0; i < key.GetSubKeyCount(); ++i) {
        const CRegistryKey& sub = key.GetSubKey(i);
        std::string subPath = path;
        if (!isTop) subPath.push_back('\\');
        AppendEscaped(subPath, sub.GetName());
        AppendKey(out, sub, subPath, false);
    }
}

// Reads the lines of a hive into its top key.
class CHiveReader {
public:
    explicit CHiveReader(CRegistryKey& top) : m_top(top), m_current(&top) {}

    void ReadLine(std::wstring line, int number) {
        while (!line.empty() && (line.back() == L'\r' || line.back() == L' ' || line.back() == L'\t'))
            line.pop_back();
        if (line.empty() || line[0] == L';') return;
        bool sound = HasOnlyPlainCharacters(line);
        if (sound && line[0] == L'[') sound = ReadKeyLine(line);
        else if (sound && line[0] == L'"') sound = ReadValueLine(line);
        else sound = false;
        if (!sound) {
            if (line[0] == L'[') m_current = nullptr;
            if (m_damage.badLines++ == 0) m_damage.firstBadLine = number;
        }
    }

    const RegistryHiveDamage& Damage() const { return m_damage; }

private:
    // The writer escapes control characters, and text that was no UTF-8
    // decodes into surrogates: either means the line was damaged.
    static bool HasOnlyPlainCharacters(const std::wstring& line) {
        for (wchar_t ch : line) {
            uint32_t c = (uint32_t)ch;
            if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF)) return false;
        }
        return true;
    }

    bool ReadKeyLine(const std::wstring& line) {
        if (line.size() < 2 || line.back() != L']') return false;
        std::wstring inner = line.substr(1, line.size() - 2);
        std::vector<std::wstring> path;
        if (!inner.empty()) {
            size_t start = 0;
            while (true) {
                size_t sep = inner.find(L'\\', start);
                std::optional<std::wstring> name =
                    Unescape(inner.substr(start, sep == std::wstring::npos ? std::wstring::npos : sep - start));
                if (!name || !CRegistryKey::IsValidKeyName(*name)) return false;
                path.push_back(std::move(*name));
                if (sep == std::wstring::npos) break;
                start = sep + 1;
            }
        }
        bool created = false;
        m_current = m_top.CreatePath(path, created);
        return m_current != nullptr;
    }

    bool ReadValueLine(const std::wstring& line) {
        size_t close = line.find(L'"', 1);
        if (close == std::wstring::npos || close + 1 >= line.size() || line[close + 1] != L'=') return false;
        std::optional<std::wstring> name = Unescape(line.substr(1, close - 1));
        if (!name) return false;
        std::wstring data = line.substr(close + 2);
        DWORD type;
        std::vector<BYTE> bytes;
        if (!ReadData(data, type, bytes)) return false;
        if (!m_current) {
            ++m_damage.skippedValues;
            return true;
        }
        return m_current->SetValue(*name, type, std::move(bytes));
    }

    static bool ReadData(const std::wstring& data, DWORD& type, std::vector<BYTE>& bytes) {
        if (data.size() >= 2 && data.front() == L'"' && data.back() == L'"') {
            std::wstring quoted = data.substr(1, data.size() - 2);
            if (quoted.find(L'"') != std::wstring::npos) return false;
            std::optional<std::wstring> text = Unescape(quoted);
            if (!text) return false;
            type = REG_SZ;
            bytes = WideToUtf16LE(text->data(), text->size());
            bytes.push_back(0);
            bytes.push_back(0);
            return true;
        }
        if (data.compare(0, 6, L"dword:") == 0) {
            std::wstring digits = data.substr(6);
            std::optional<uint32_t> n = ParseHexNumber(digits);
            if (!n || digits.size() != 8) return false;
            type = REG_DWORD;
            bytes = {(BYTE)*n, (BYTE)(*n >> 8), (BYTE)(*n >> 16), (BYTE)(*n >> 24)};
            return true;
        }
        std::wstring list;
        if (data.compare(0, 4, L"hex:") == 0) {
            type = REG_BINARY;
            list = data.substr(4);
        } else if (data.compare(0, 4, L"hex(") == 0) {
            size_t close = data.find(L"):", 4);
            if (close == std::wstring::npos) return false;
            std::optional<uint32_t> t = ParseHexNumber(data.substr(4, close - 4));
            if (!t) return false;
            type = *t;
            list = data.substr(close + 2);
        } else {
            return false;
        }
        std::optional<std::vector<BYTE>> parsed = ParseHexBytes(list);
        if (!parsed) return false;
        bytes = std::move(*parsed);
        return true;
    }

    CRegistryKey& m_top;
    CRegistryKey* m_current;  // null after a key line that could not be read
    RegistryHiveDamage m_damage;
};

} // namespace

RegistryHiveDamage ParseRegistryHive(const char* text, size_t length, CRegistryKey& top) {
    CHiveReader reader(top);
    if (!text) return reader.Damage();
    int number = 0;
    size_t start = 0;
    // A UTF-8 byte-order mark (an editor may add one) is not part of the text.
    if (length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0) start = 3;
    while (start < length) {
        const char* end = (const char*)memchr(text + start, '\n', length - start);
        size_t lineEnd = end ? (size_t)(end - text) : length;
        reader.ReadLine(Utf8ToWide(text + start, lineEnd - start), ++number);
        start = lineEnd + 1;
    }
    return reader.Damage();
}

std::string FormatRegistryHive(const CRegistryKey& top) {
    std::string out = kHeadLine;
    AppendKey(out, top, std::string(), true);
    return out;
}
