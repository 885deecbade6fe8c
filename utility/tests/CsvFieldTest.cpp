#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReportCapture.h"
#include "utility/CsvField.h"

namespace {

class CsvFieldTest : public ReportCapture {
protected:
    // All fields of a line, read one call after another until the end.
    static std::vector<std::string> Fields(const std::string& line, char separator) {
        std::vector<std::string> fields;
        std::vector<char> out;
        unsigned pos = 0;
        while (pos < line.size()) {
            EXPECT_EQ(ReadCsvField(line.data(), (unsigned)line.size(), pos, separator, out), 1);
            EXPECT_EQ(out.back(), '\0');
            fields.emplace_back(out.data());
        }
        return fields;
    }
};

TEST_F(CsvFieldTest, QuotesSeparatorsAndLineEnds) {
    struct Case {
        std::string line;
        char separator;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"\"a\"\"b\",c", ',', {"a\"b", "c"}},
        {"a,b", ',', {"a", "b"}},
        {"\"ab\"cd,e", ',', {"abcd", "e"}},
        {"\"a,b\";c", ';', {"a,b", "c"}},
        {"a\"b,c", ',', {"a\"b", "c"}},
        {"\"line\r\nbreak\"\tx", '\t', {"line\r\nbreak", "x"}},
        {"a,,b", ',', {"a", "", "b"}},
        {"a,b\r\nc", ',', {"a", "b", "", "c"}},
        {"\"\",x", ',', {"", "x"}},
        {"\"\"\"\"", ',', {"\""}},
        {"\"open", ',', {"open"}},
        {std::string("a\0b", 3), ',', {"a", "b"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Fields(c.line, c.separator), c.fields) << c.line;
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(CsvFieldTest, PositionAfterAFieldAndAtTheEnd) {
    const std::string line = "\"a\"\"b\",c";
    std::vector<char> out;
    unsigned pos = 0;
    EXPECT_EQ(ReadCsvField(line.data(), (unsigned)line.size(), pos, ',', out), 1);
    EXPECT_EQ(pos, 7u);
    EXPECT_EQ(line[pos], 'c');

    pos = 3;
    EXPECT_EQ(ReadCsvField("a,b", 3, pos, ',', out), 1);
    EXPECT_EQ(out, std::vector<char>{'\0'});
    EXPECT_EQ(pos, 3u);
    EXPECT_TRUE(AssertionLines().empty());

    struct Bad {
        const char* text;
        unsigned length;
        unsigned pos;
    };
    const Bad bad[] = {{nullptr, 3, 0}, {"a,b", 0, 0}, {"a,b", 3, 4}};
    for (const Bad& b : bad) {
        out = {'x', 'y'};
        unsigned p = b.pos;
        EXPECT_EQ(ReadCsvField(b.text, b.length, p, ',', out), 0);
        EXPECT_EQ(out, std::vector<char>{'\0'});
    }
    EXPECT_EQ(AssertionLines().size(), 3u);
}

} // namespace
