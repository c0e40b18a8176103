// Runs tests/scripts/powershell_calls.txt, whose header explains the columns.
#include "scripts/PowerShellReader.h"
#include "scripts/Utf8.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <string>
#include <vector>

#ifndef TOLVEX_TEST_DATA_DIR
#define TOLVEX_TEST_DATA_DIR "tests"  // the build names the repository's tests folder
#endif

namespace scripts {
namespace {

const std::vector<std::string> kNames = {"old"};
constexpr std::string_view kColumn = " => ";
constexpr std::string_view kFindings = " ;; ";
constexpr std::string_view kWords = " | ";
constexpr std::string_view kMarkers[] = {"{windows} ", "{5.1} ", "{parsed} "};

struct Row {
    int line = 0;
    std::string snippet;
    std::string expected;
    std::string replaced;  // empty when the row does not check the ranges
};

// <LF> <CR> <TAB> and <U+XXXX> stand for the characters a table line cannot hold.
std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t close = text.find('>', i);
        const std::string token = text[i] == '<' && close != std::string::npos ? text.substr(i, close - i + 1) : "";
        if (token == "<LF>" || token == "<CR>" || token == "<TAB>") {
            out += token == "<LF>" ? '\n' : token == "<CR>" ? '\r' : '\t';
        } else if (token.size() > 4 && token.compare(0, 3, "<U+") == 0) {
            AppendUtf8(out, static_cast<char32_t>(std::stoul(token.substr(3), nullptr, 16)));
        } else {
            out += text[i];
            continue;
        }
        i = close;
    }
    return out;
}

std::vector<std::string> Split(const std::string& text, std::string_view separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, from)) {
        parts.push_back(text.substr(from, at - from));
        from = at + separator.size();
    }
    parts.push_back(text.substr(from));
    return parts;
}

std::vector<Row> ReadTable() {
    std::ifstream file(std::string(TOLVEX_TEST_DATA_DIR) + "/scripts/powershell_calls.txt");
    std::vector<Row> rows;
    std::string text;
    for (int line = 1; std::getline(file, text); ++line) {
        if (text.empty() || text[0] == '#') {
            continue;
        }
        for (const std::string_view marker : kMarkers) {
            if (text.compare(0, marker.size(), marker) == 0) {
                text.erase(0, marker.size());  // where PowerShell 7 can check the row; the reader reads it all the same
            }
        }
        const std::vector<std::string> columns = Split(text, kColumn);
        Row row{line, Unescape(columns[0]), Unescape(columns.size() > 1 ? columns[1] : ""), ""};
        row.replaced = columns.size() > 2 ? Unescape(columns[2]) : "";
        rows.push_back(row);
    }
    return rows;
}

// Words as [w1] [w2], each placeholder as <source>, <"source> (quoted) or <*source> (a list).
std::string RenderWords(const ScriptCall& call) {
    std::string out = call.stopParsing ? "--% " : "";
    for (const std::string& word : call.words) {
        out += out.empty() || out == "--% " ? "[" : " [";
        for (std::size_t i = 0; i < word.size(); ++i) {
            const std::size_t end = word.find(kPlaceholderEnd, i);
            if (word[i] != kPlaceholderStart || end == std::string::npos) {
                out += word[i];
                continue;
            }
            const VariableReference& variable = call.variables.at(std::stoul(word.substr(i + 1, end - i - 1)));
            out += std::string("<") + (variable.quoted ? "\"" : "") + (variable.wholeList ? "*" : "") + variable.source + ">";
            i = end;
        }
        out += "]";
    }
    return call.words.empty() ? out + "no words" : out;
}

// A finding rendered as `expected` spells it: with @line:column when it starts so, and with
// the words after a review or manual reason when it holds " | ".
std::string Render(const ScriptCall& call, const std::string& expected) {
    std::string out;
    if (!expected.empty() && expected[0] == '@') {
        out = "@" + std::to_string(call.line) + ":" + std::to_string(call.column) + " ";
    }
    if (call.manual.empty() && call.review.empty()) {
        return out + RenderWords(call);
    }
    out += call.manual.empty() ? "review: " + call.review : "manual: " + call.manual;
    return expected.find(kWords) == std::string::npos ? out : out + std::string(kWords) + RenderWords(call);
}

// The snippet with the first call's name replaced by N and its arguments by X.
std::string Replace(std::string snippet, const ScriptCall& call) {
    snippet.replace(call.arguments.begin, call.arguments.end - call.arguments.begin, "X");
    return snippet.replace(call.name.begin, call.name.end - call.name.begin, "N");
}

TEST(PowerShellReaderTest, TableRows) {
    const std::vector<Row> rows = ReadTable();
    ASSERT_GT(rows.size(), 150U) << "the table was not read";
    for (const Row& row : rows) {
        SCOPED_TRACE("powershell_calls.txt line " + std::to_string(row.line) + ": " + row.snippet);
        const std::vector<ScriptCall> calls = FindPowerShellCalls(row.snippet, kNames);
        const std::vector<std::string> expected =
            row.expected == "none" ? std::vector<std::string>{} : Split(row.expected, kFindings);
        ASSERT_EQ(calls.size(), expected.size());
        for (std::size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(Render(calls[i], expected[i]), expected[i]);
        }
        if (!row.replaced.empty()) {
            EXPECT_EQ(Replace(row.snippet, calls.at(0)), row.replaced);
        }
    }
}

// Ranges lie in the text and in order, and placeholders name variables, for every prefix of
// every snippet (where quotes and brackets are cut off anywhere).
TEST(PowerShellReaderTest, EveryPrefixGivesWellFormedCalls) {
    for (const Row& row : ReadTable()) {
        for (std::size_t length = 0; length <= row.snippet.size(); ++length) {
            const std::string text = row.snippet.substr(0, length);
            SCOPED_TRACE("line " + std::to_string(row.line) + ", prefix: " + text);
            std::size_t previous = 0;
            for (const ScriptCall& call : FindPowerShellCalls(text, kNames)) {
                EXPECT_LE(previous, call.program.begin);
                EXPECT_LT(call.program.begin, call.program.end);
                EXPECT_LE(call.program.begin, call.name.begin);
                EXPECT_LE(call.name.begin, call.name.end);
                EXPECT_LE(call.name.end, call.program.end);
                EXPECT_LE(call.program.end, call.arguments.begin);
                EXPECT_LE(call.arguments.begin, call.arguments.end);
                EXPECT_LE(call.arguments.end, text.size());
                EXPECT_GE(call.line, 1U);
                EXPECT_GE(call.column, 1U);
                EXPECT_NO_THROW(RenderWords(call));
                previous = call.program.begin;
            }
        }
    }
}

TEST(PowerShellReaderTest, DeepNestingIsLeftForAHuman) {
    const std::string text = std::string(100000, '(') + "old up";
    const std::vector<ScriptCall> calls = FindPowerShellCalls(text, kNames);
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].manual, "inside brackets nested too deeply to read");
    EXPECT_EQ(calls[0].program.begin, 100000U);
}

}  // namespace
}  // namespace scripts
