#include "utility/CsvField.h"

#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\BasicCPP";
constexpr int kLineCsvArguments = 1342;

} // namespace

int ReadCsvField(const char* text, unsigned length, unsigned& pos, char separator, std::vector<char>& out) {
    out.clear();
    bool usable = text && length != 0 && pos <= length;
    ReportAssertion(usable, kSourceFile, kLineCsvArguments);
    if (!usable) {
        out.push_back('\0');
        return 0;
    }
    bool quoted = false;
    while (pos < length) {
        char ch = text[pos];
        if (ch == '\0') {
            ++pos;
            break;
        }
        if (quoted) {
            if (ch != '"') {
                out.push_back(ch);
            } else if (pos + 1 < length && text[pos + 1] == '"') {
                out.push_back('"');
                ++pos;
            } else {
                quoted = false;
            }
        } else if (ch == '"' && out.empty()) {
            quoted = true;
        } else if (ch == separator || ch == '\r' || ch == '\n') {
            ++pos;
            break;
        } else {
            out.push_back(ch);
        }
        ++pos;
    }
    out.push_back('\0');
    return 1;
}
