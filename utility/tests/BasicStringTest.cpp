#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ReportCapture.h"
#include "utility/BasicString.h"
#include "utility/StringTableRegistration.h"

namespace {

using Lines = std::vector<int>;

std::wstring Text(const CBasicString& s) { return s.GetString(); }

// One operation on a string: its result (0 for operations without one), the
// text afterwards and the assertion reports it raised.
struct EditCase {
    const char* name;
    const wchar_t* input;
    std::function<int(CBasicString&)> operation;
    const wchar_t* expected;
    int result;
    Lines reports;
};

class BasicStringTest : public ReportCapture {};

TEST_F(BasicStringTest, ExtractionAndEditCases) {
    const EditCase cases[] = {
        {"Left negative", L"abc", [](CBasicString& s) { s = s.Left(-1); return 0; }, L"", 0, {}},
        {"Left inside", L"abc", [](CBasicString& s) { s = s.Left(2); return 0; }, L"ab", 0, {}},
        {"Left past end copies", L"abc", [](CBasicString& s) { s = s.Left(10); return 0; }, L"abc", 0, {}},
        {"Right negative", L"abc", [](CBasicString& s) { s = s.Right(-1); return 0; }, L"", 0, {}},
        {"Right inside", L"abc", [](CBasicString& s) { s = s.Right(2); return 0; }, L"bc", 0, {}},
        {"Right past end copies", L"abc", [](CBasicString& s) { s = s.Right(3); return 0; }, L"abc", 0, {}},
        {"Mid inside", L"abcd", [](CBasicString& s) { s = s.Mid(1, 2); return 0; }, L"bc", 0, {}},
        {"Mid negative start and count clipped", L"abcd", [](CBasicString& s) { s = s.Mid(-3, 9); return 0; }, L"abcd", 0, {}},
        {"Mid negative count", L"abcd", [](CBasicString& s) { s = s.Mid(1, -1); return 0; }, L"", 0, {}},
        {"Mid at end", L"abc", [](CBasicString& s) { s = s.Mid(3, 1); return 0; }, L"", 0, {}},
        {"Mid beyond end reports", L"abc", [](CBasicString& s) { s = s.Mid(4, 1); return 0; }, L"", 0, {967}},
        {"MidToEnd", L"abcd", [](CBasicString& s) { s = s.MidToEnd(2); return 0; }, L"cd", 0, {}},
        {"MidToEnd negative", L"abcd", [](CBasicString& s) { s = s.MidToEnd(-2); return 0; }, L"abcd", 0, {}},
        {"Insert char past end appends", L"ab", [](CBasicString& s) { return s.Insert(100, L'x'); }, L"abx", 3, {}},
        {"Insert text negative index", L"ab", [](CBasicString& s) { return s.Insert(-1, L"xy"); }, L"xyab", 4, {}},
        {"Insert text inside", L"ab", [](CBasicString& s) { return s.Insert(1, L"--"); }, L"a--b", 4, {}},
        {"Insert null", L"ab", [](CBasicString& s) { return s.Insert(1, (const wchar_t*)nullptr); }, L"ab", 2, {}},
        {"Insert into empty", L"", [](CBasicString& s) { return s.Insert(5, L"z"); }, L"z", 1, {}},
        {"Delete inside", L"abc", [](CBasicString& s) { return s.Delete(1, 1); }, L"ac", 2, {}},
        {"Delete negative index", L"abc", [](CBasicString& s) { return s.Delete(-1, 1); }, L"bc", 2, {}},
        {"Delete zero count", L"abc", [](CBasicString& s) { return s.Delete(1, 0); }, L"abc", 3, {}},
        {"Delete at end", L"abc", [](CBasicString& s) { return s.Delete(3, 1); }, L"abc", 3, {}},
        {"Delete count clipped", L"abc", [](CBasicString& s) { return s.Delete(1, 10); }, L"a", 1, {}},
        {"Replace same char", L"banana", [](CBasicString& s) { return s.Replace(L'a', L'a'); }, L"banana", 0, {}},
        {"Replace char", L"banana", [](CBasicString& s) { return s.Replace(L'a', L'o'); }, L"bonono", 3, {}},
        {"Replace in empty", L"", [](CBasicString& s) { return s.Replace(L'a', L'o'); }, L"", 0, {}},
        {"Remove char", L"banana", [](CBasicString& s) { return s.Remove(L'a'); }, L"bnn", 3, {}},
        {"ReplaceText same length", L"banana", [](CBasicString& s) { return s.ReplaceText(L"an", L"AN"); }, L"bANANa", 2, {}},
        {"ReplaceText grows", L"banana", [](CBasicString& s) { return s.ReplaceText(L"na", L"nana"); }, L"banananana", 2, {}},
        {"ReplaceText shrinks", L"banana", [](CBasicString& s) { return s.ReplaceText(L"a", L""); }, L"bnn", 3, {}},
        {"ReplaceText null replacement", L"banana", [](CBasicString& s) { return s.ReplaceText(L"an", nullptr); }, L"ba", 2, {}},
        {"ReplaceText whole text", L"banana", [](CBasicString& s) { return s.ReplaceText(L"banana", L""); }, L"", 1, {}},
        {"ReplaceText empty pattern", L"banana", [](CBasicString& s) { return s.ReplaceText(L"", L"x"); }, L"banana", 0, {}},
        {"ReplaceText no overlap", L"aaa", [](CBasicString& s) { return s.ReplaceText(L"aa", L"b"); }, L"ba", 1, {}},
        {"TrimLeft", L" \t\r\nab ", [](CBasicString& s) { s.TrimLeft(); return 0; }, L"ab ", 0, {}},
        {"TrimRight", L" ab \t\x3000", [](CBasicString& s) { s.TrimRight(); return 0; }, L" ab", 0, {}},
        {"TrimRight all", L"  ", [](CBasicString& s) { s.TrimRight(); return 0; }, L"", 0, {}},
        {"TrimLeftChar", L"//a/b//", [](CBasicString& s) { s.TrimLeftChar(L'/'); return 0; }, L"a/b//", 0, {}},
        {"TrimRightChar", L"//a/b//", [](CBasicString& s) { s.TrimRightChar(L'/'); return 0; }, L"//a/b", 0, {}},
        {"MakeUpper folds Unicode", L"\x00E9t\x00E9 \x0103", [](CBasicString& s) { s.MakeUpper(); return 0; }, L"\x00C9T\x00C9 \x0102", 0, {}},
        {"MakeLower folds Unicode", L"\x00C9" L"COLE \x0416", [](CBasicString& s) { s.MakeLower(); return 0; }, L"\x00E9" L"cole \x0436", 0, {}},
        {"MakeReverse", L"abc", [](CBasicString& s) { s.MakeReverse(); return 0; }, L"cba", 0, {}},
        {"RemovePrefixNoCase", L"http://x", [](CBasicString& s) { s.RemovePrefixNoCase(L"HTTP://"); return 0; }, L"x", 0, {}},
        {"RemovePrefixNoCase no match", L"ftp://x", [](CBasicString& s) { s.RemovePrefixNoCase(L"HTTP://"); return 0; }, L"ftp://x", 0, {}},
        {"RemoveSuffixNoCase", L"list.TXT", [](CBasicString& s) { s.RemoveSuffixNoCase(L".txt"); return 0; }, L"list", 0, {}},
        {"RemoveSuffixNoCase longer than text", L"t", [](CBasicString& s) { s.RemoveSuffixNoCase(L".txt"); return 0; }, L"t", 0, {}},
        {"SetAt", L"abc", [](CBasicString& s) { s.SetAt(1, L'x'); return 0; }, L"axc", 0, {}},
        {"SetAt zero ends the text", L"abc", [](CBasicString& s) { s.SetAt(1, 0); return s.GetLength(); }, L"a", 1, {}},
        {"SetAt out of range", L"abc", [](CBasicString& s) { s.SetAt(-1, L'x'); s.SetAt(3, L'x'); return 0; }, L"abc", 0, {910, 911}},
        {"GetAt", L"abc", [](CBasicString& s) { return (int)s.GetAt(2); }, L"abc", L'c', {}},
        {"GetAt at length", L"abc", [](CBasicString& s) { return (int)s.GetAt(3); }, L"abc", 0, {}},
        {"GetAt out of range", L"abc", [](CBasicString& s) { return s.GetAt(-1) + s.GetAt(4); }, L"abc", 0, {895, 896}},
        {"GetStringAt", L"abc", [](CBasicString& s) { s = s.GetStringAt(1); return 0; }, L"bc", 0, {}},
        {"GetStringAt out of range", L"abc", [](CBasicString& s) { s = s.GetStringAt(3); return 0; }, L"abc", 0, {1775}},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_log.Clear();
        CBasicString s(c.input);
        EXPECT_EQ(c.operation(s), c.result);
        EXPECT_EQ(Text(s), c.expected);
        EXPECT_EQ(s.GetLength(), (int)wcslen(c.expected));
        EXPECT_EQ(AssertionLines(), c.reports);
    }
}

struct SearchCase {
    const char* name;
    const wchar_t* input;
    std::function<int(const CBasicString&)> search;
    int expected;
};

TEST_F(BasicStringTest, SearchCases) {
    const SearchCase cases[] = {
        {"FindChar", L"a/b/c", [](const CBasicString& s) { return s.FindChar(L'/'); }, 1},
        {"FindChar missing", L"abc", [](const CBasicString& s) { return s.FindChar(L'/'); }, -1},
        {"FindChar terminator", L"abc", [](const CBasicString& s) { return s.FindChar(0); }, -1},
        {"FindCharFrom", L"a/b/c", [](const CBasicString& s) { return s.FindCharFrom(L'/', 2); }, 3},
        {"FindCharFrom at length", L"a/b/c", [](const CBasicString& s) { return s.FindCharFrom(L'/', 5); }, -1},
        {"ReverseFind", L"a/b/c", [](const CBasicString& s) { return s.ReverseFind(L'/'); }, 3},
        {"Find", L"banana", [](const CBasicString& s) { return s.Find(L"nan"); }, 2},
        {"FindFrom", L"banana", [](const CBasicString& s) { return s.FindFrom(L"an", 2); }, 3},
        {"FindFrom beyond length", L"banana", [](const CBasicString& s) { return s.FindFrom(L"a", 7); }, -1},
        {"FindOneOf", L"key=value;x", [](const CBasicString& s) { return s.FindOneOf(L";="); }, 3},
        {"CommonPrefixLength", L"folder/a", [](const CBasicString& s) { return s.CommonPrefixLength(L"folder/b"); }, 7},
        {"CommonPrefixLength bounded", L"abc", [](const CBasicString& s) { return s.CommonPrefixLength(L"abcdef"); }, 3},
        {"CommonPrefixLength empty other", L"abc", [](const CBasicString& s) { return s.CommonPrefixLength(L""); }, -1},
        {"CommonPrefixLength null", L"abc", [](const CBasicString& s) { return s.CommonPrefixLength(nullptr); }, -1},
        {"CommonPrefixLength empty self", L"", [](const CBasicString& s) { return s.CommonPrefixLength(L"abc"); }, -1},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.search(CBasicString(c.input)), c.expected);
    }
}

TEST_F(BasicStringTest, InvalidPatternsAreReported) {
    CBasicString s(L"abc");
    EXPECT_EQ(s.Find(nullptr), -1);
    EXPECT_EQ(s.FindOneOf(nullptr), -1);
    EXPECT_EQ(s.Compare(nullptr), 1);
    EXPECT_EQ(s.CompareNoCase(nullptr), 1);
    s.Format(nullptr);
    EXPECT_EQ(Text(s), L"abc");
    EXPECT_EQ(AssertionLines(), (Lines{1399, 1418, 923, 933, 1472}));
}

TEST_F(BasicStringTest, EmptyStringsHandOutOneStaticEmptyText) {
    CBasicString fromNull((const wchar_t*)nullptr), fromEmpty(L""), fromNarrowNull((const char*)nullptr), none;
    CBasicString cleared(L"abc");
    cleared.Empty();
    for (const CBasicString* s : {&fromNull, &fromEmpty, &fromNarrowNull, &none, &cleared}) {
        ASSERT_NE(s->GetString(), nullptr);
        EXPECT_EQ(s->GetString(), none.GetString());
        EXPECT_EQ(s->GetLength(), 0);
        EXPECT_TRUE(s->IsEmpty());
    }
    // A copy of an empty string is empty and frees nothing of the original.
    CBasicString copy(none);
    copy = fromEmpty;
    EXPECT_TRUE(copy.IsEmpty());
}

TEST_F(BasicStringTest, Constructors) {
    EXPECT_EQ(Text(CBasicString(L"abcdef", 3)), L"abc");
    EXPECT_EQ(Text(CBasicString(L"ab", 10)), L"ab");
    EXPECT_EQ(Text(CBasicString(L"ab", 0)), L"");
    EXPECT_EQ(Text(CBasicString((const wchar_t*)nullptr, 3)), L"");
    EXPECT_EQ(Text(CBasicString(L'x', 3)), L"xxx");
    EXPECT_EQ(Text(CBasicString(L'x', 0)), L"");
    EXPECT_EQ(Text(CBasicString(L'x', -2)), L"");
    // A byte repeated becomes the character of the same value, without the
    // code page.
    EXPECT_EQ(Text(CBasicString('\x80', 2)), L"\x0080\x0080");
    CBasicString byte;
    byte = '\xE9';
    EXPECT_EQ(Text(byte), L"\x00E9");
    byte.AppendAnsiChar('\x80');
    EXPECT_EQ(Text(byte), L"\x00E9\x0080");
}

TEST_F(BasicStringTest, NarrowTextIsWindows1252) {
    EXPECT_EQ(Text(CBasicString("caf\xE9 \x80 \x9F \x81")), L"caf\x00E9 \x20AC \x0178 \x0081");
    EXPECT_EQ(Text(CBasicString("abc", 2)), L"ab");
    EXPECT_EQ(Text(CBasicString("a\0bc", 4)), L"a");
    EXPECT_EQ(Text(CBasicString("", 4)), L"");
    CBasicString s;
    s = "\x93quoted\x94";
    EXPECT_EQ(Text(s), L"\x201Cquoted\x201D");
}

TEST_F(BasicStringTest, AssignmentFromItsOwnText) {
    CBasicString s(L"abcdef");
    s = s.GetString() + 2;
    EXPECT_EQ(Text(s), L"cdef");
    s = s;
    EXPECT_EQ(Text(s), L"cdef");
    s.AssignCopy(s.GetString() + 1);
    EXPECT_EQ(Text(s), L"def");
    s.Append(s.GetString());
    EXPECT_EQ(Text(s), L"defdef");
    s += s;
    EXPECT_EQ(Text(s), L"defdefdefdef");
    s = L"ab";
    EXPECT_EQ(s.Insert(1, s.GetString()), 4);
    EXPECT_EQ(Text(s), L"aabb");
    s = L"xax";
    EXPECT_EQ(s.ReplaceText(L"a", s.GetString()), 1);
    EXPECT_EQ(Text(s), L"xxaxx");
}

TEST_F(BasicStringTest, CopiesAreIndependent) {
    CBasicString a(L"one");
    CBasicString b(a);
    b.SetAt(0, L'O');
    CBasicString c;
    c = a;
    c.Append(L"!");
    EXPECT_EQ(Text(a), L"one");
    EXPECT_EQ(Text(b), L"One");
    EXPECT_EQ(Text(c), L"one!");
    EXPECT_NE(a.GetString(), b.GetString());
}

TEST_F(BasicStringTest, ConcatenationAndAppend) {
    CBasicString a(L"ab");
    EXPECT_EQ(Text(a + L"cd"), L"abcd");
    EXPECT_EQ(Text(L"x" + a), L"xab");
    EXPECT_EQ(Text(a + a), L"abab");
    EXPECT_EQ(Text(a + L'!'), L"ab!");
    EXPECT_EQ(Text(L'<' + a), L"<ab");
    EXPECT_EQ(Text(a + '\x80'), L"ab\x0080");
    EXPECT_EQ(Text('\xFF' + a), L"\x00FF" L"ab");
    CBasicString s;
    s += L"x";
    s += L'y';
    s += 'z';
    s += CBasicString(L"!");
    s.Append(nullptr);
    s.Append(L"");
    s.AppendChar(0);
    EXPECT_EQ(Text(s), L"xyz!");
}

TEST_F(BasicStringTest, AppendingManyPiecesKeepsTheWholeText) {
    CBasicString s;
    std::wstring expected;
    // Pieces of every length up to past the short ones copied in place.
    const std::wstring alphabet = L"abcdefghijklmnopqrstu";
    for (int i = 0; i < 5000; ++i) {
        const std::wstring text = alphabet.substr(0, (size_t)(i % 22));
        const wchar_t* piece = text.c_str();
        s.Append(piece);
        s.AppendChar(L'|');
        expected += piece;
        expected += L'|';
    }
    EXPECT_EQ(Text(s), expected);
    EXPECT_EQ(s.GetLength(), (int)expected.size());
}

TEST_F(BasicStringTest, WritersThroughTheBufferShortenTheText) {
    CBasicString s(L"hello world");
    s.Append(L"!");  // leaves spare room behind the text
    wchar_t* buffer = s.GetBuffer();
    EXPECT_EQ(buffer, s.GetString());
    buffer[5] = 0;
    EXPECT_EQ(s.GetLength(), 5);
    s.Append(L"?");
    EXPECT_EQ(Text(s), L"hello?");
    EXPECT_EQ(s.GetLength(), 6);
    s.GetBuffer()[2] = 0;
    s.AppendChar(L'!');
    EXPECT_EQ(Text(s), L"he!");
    EXPECT_EQ(s.GetLength(), 3);

    ASSERT_EQ(s.AllocBuffer(10), 1);
    EXPECT_EQ(s.GetLength(), 0);
    wcscpy(s.GetBuffer(), L"written");
    EXPECT_EQ(s.GetLength(), 7);
    s.TrimRightChar(L'n');
    EXPECT_EQ(Text(s), L"writte");

    EXPECT_EQ(s.AllocBuffer(0), 0);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(AssertionLines(), Lines{1928});
}

TEST_F(BasicStringTest, CompareIsOrdinalAndCompareNoCaseFoldsUnicode) {
    CBasicString a(L"a");
    EXPECT_EQ(a.Compare(L"B"), 1);  // 0x61 after 0x42
    EXPECT_EQ(CBasicString(L"B").Compare(L"a"), -1);
    EXPECT_EQ(a.Compare(L"a"), 0);
    EXPECT_EQ(a.Compare(L"ab"), -1);
    EXPECT_EQ(CBasicString(L"\x00E9").Compare(L"z"), 1);
    EXPECT_EQ(CBasicString(L"\x00C9" L"cole").CompareNoCase(L"\x00E9" L"COLE"), 0);
    EXPECT_EQ(CBasicString(L"Stra\x00DF" L"e").CompareNoCase(L"STRA\x00DF" L"E"), 0);
    EXPECT_EQ(CBasicString(L"\x0416").CompareNoCase(L"\x0436"), 0);
    EXPECT_LT(CBasicString(L"abc").CompareNoCase(L"ABD"), 0);
    EXPECT_GT(CBasicString(L"abcd").CompareNoCase(L"ABC"), 0);
    EXPECT_TRUE(CBasicString(L"B") < CBasicString(L"a"));
    EXPECT_FALSE(CBasicString(L"a") < CBasicString(L"a"));
}

TEST_F(BasicStringTest, FormatReplacesTextAndAnEmptyFormatKeepsIt) {
    CBasicString s(L"before");
    s.Format(L"");
    EXPECT_EQ(Text(s), L"before");
    s.Format(L"%5.2f|%s|%d", 3.14159, L"x", 42);
    EXPECT_EQ(Text(s), L" 3.14|x|42");
    s.Format(L"%s", L"");
    EXPECT_TRUE(s.IsEmpty());
    // The string's own text may be an argument.
    s = L"abc";
    s.Format(L"[%s]", s.GetString());
    EXPECT_EQ(Text(s), L"[abc]");
    EXPECT_TRUE(AssertionLines().empty());
}

// A sink that formats a text of its own while it writes each report, as a
// real log does for its time stamp.
class CFormattingLog : public kvxtest::RecordingLog {
public:
    int WriteSourceMessage(const wchar_t* text, const wchar_t* sourceFile, int line) override {
        CBasicString stamp;
        stamp.Format(L"%02d:%02d:%02d %s", 1, 5, 9, L"PM");
        stamps.push_back(stamp.GetString());
        return RecordingLog::WriteSourceMessage(text, sourceFile, line);
    }
    std::vector<std::wstring> stamps;
};

TEST(BasicStringFormat, ALogThatFormatsDuringAReportLeavesTheOuterTextIntact) {
    CFormattingLog log;
    SetLibraryLog(&log);
    CBasicString s;
    s.Format(L"%s-%y-%d", L"before", 42);
    SetLibraryLog(nullptr);
    EXPECT_STREQ(s.GetString(), L"before-%y-42");
    EXPECT_EQ(log.stamps, std::vector<std::wstring>{L"01:05:09 PM"});
}

const StringTableEntry kTestStrings[] = {
    {31362, L"Please wait..."},
    {8200, L"- Physical -"},
    {9, L""},
};
const CStringTableRegistration kTestStringsRegistration(kTestStrings);

TEST_F(BasicStringTest, LoadStringFromTheModulesTable) {
    HINSTANCE module = GetCurrentModuleHandle();
    ASSERT_NE(module, nullptr);
    CBasicString s(L"old");
    EXPECT_EQ(s.LoadString(module, 31362), 1);
    EXPECT_EQ(Text(s), L"Please wait...");
    EXPECT_EQ(s.LoadString(module, 8200), 1);
    EXPECT_EQ(Text(s), L"- Physical -");
    EXPECT_EQ(s.LoadString(module, 9), 0);
    EXPECT_TRUE(s.IsEmpty());
    s = L"old";
    EXPECT_EQ(s.LoadString(module, 12345), 0);
    EXPECT_TRUE(s.IsEmpty());
    // Another module's handle does not see this module's table.
    EXPECT_EQ(s.LoadString(GetModuleHandleFromAddress((const void*)&wcslen), 31362), 0);
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(s.LoadString(nullptr, 31362), 0);
    EXPECT_EQ(AssertionLines(), Lines{835});
}

} // namespace
