#include "scripts/BatchReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#ifndef TOLVEX_TEST_DATA_DIR
#error "TOLVEX_TEST_DATA_DIR must name the repository's tests/ folder"
#endif

namespace {

using scripts::ScriptCall;

const char kSeparator[] = " ==> ";
const std::pair<const char*, const char*> kEscapes[] = {
    {"{LF}", "\n"}, {"{CR}", "\r"}, {"{TAB}", "\t"}, {"{BOM}", "\xEF\xBB\xBF"}};

struct Row {
    int line = 0;
    std::string snippet;
    std::string expected;
    std::string rewritten;
};

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string Unescape(std::string text) {
    for (const auto& [name, bytes] : kEscapes) {
        text = Replace(text, name, bytes);
    }
    return text;
}

std::vector<Row> ReadTable() {
    std::ifstream in(TOLVEX_TEST_DATA_DIR "/scripts/batch_calls.txt", std::ios::binary);
    std::vector<Row> rows;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::vector<std::string> columns = Split(line, kSeparator);
        Row row;
        row.line = number;
        row.snippet = Unescape(columns[0]);
        row.expected = columns.size() > 1 ? columns[1] : "";
        row.rewritten = columns.size() > 2 ? Unescape(columns[2]) : "";
        rows.push_back(row);
    }
    return rows;
}

bool IsFlag(const std::string& token) {
    for (const char* prefix : {"+block", "+delayed", "+quoted=", "+list=", "+at=", "+val:", "+runs=", "+notruth"}) {
        if (token.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

bool IsTruthFlag(const std::string& token) {
    return token.rfind("+val:", 0) == 0 || token.rfind("+runs=", 0) == 0 || token == "+notruth";
}

// One expected call without the flags only the Wine run reads, and whether it asks for +at.
std::pair<std::string, bool> ExpectedCall(std::string text) {
    std::vector<std::string> flags;
    for (std::size_t at = text.rfind(" +"); at != std::string::npos && IsFlag(text.substr(at + 1));
         at = text.rfind(" +")) {
        flags.insert(flags.begin(), text.substr(at + 1));
        text.erase(at);
    }
    bool wantsAt = false;
    for (const std::string& flag : flags) {
        if (!IsTruthFlag(flag)) {
            text += " " + flag;
            wantsAt = wantsAt || flag.rfind("+at=", 0) == 0;
        }
    }
    return {text, wantsAt};
}

std::string RenderWord(const std::string& word, const ScriptCall& call) {
    std::string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const std::size_t close = word.find(scripts::kPlaceholderEnd, i);
        if (word[i] != scripts::kPlaceholderStart || close == std::string::npos) {
            out += word[i];
            continue;
        }
        const std::size_t index = std::stoul(word.substr(i + 1, close - i - 1));
        out += index < call.variables.size() ? call.variables[index].source : "<bad placeholder>";
        i = close;
    }
    return out;
}

std::string Render(const ScriptCall& call, bool withAt) {
    std::string out;
    if (!call.manual.empty()) {
        out = "manual: " + call.manual;
    } else if (!call.review.empty()) {
        out = "review: " + call.review;
    } else if (call.words.empty()) {
        out = "-";
    } else {
        for (const std::string& word : call.words) {
            out += (out.empty() ? "[" : " [") + RenderWord(word, call) + "]";
        }
    }
    out += call.insideBlock ? " +block" : "";
    out += call.delayedExpansion ? " +delayed" : "";
    for (const scripts::VariableReference& variable : call.variables) {
        out += variable.quoted ? " +quoted=" + variable.source : "";
        out += variable.wholeList ? " +list=" + variable.source : "";
    }
    if (withAt) {
        out += " +at=" + std::to_string(call.line) + ":" + std::to_string(call.column);
    }
    return out;
}

std::vector<ScriptCall> Find(const std::string& text) {
    return scripts::FindBatchCalls(text, {"old", "old-up"});
}

TEST(BatchReaderTest, EveryRowOfTheTable) {
    const std::vector<Row> rows = ReadTable();
    ASSERT_GT(rows.size(), 100U) << "the table was not found or is cut short";
    for (const Row& row : rows) {
        const std::vector<ScriptCall> calls = Find(row.snippet);
        const std::vector<std::string> expected =
            row.expected == "none" ? std::vector<std::string>() : Split(row.expected, " ;; ");
        std::string wanted;
        std::string got;
        for (std::size_t i = 0; i < std::max(expected.size(), calls.size()); ++i) {
            const auto [text, withAt] = i < expected.size() ? ExpectedCall(expected[i]) : std::make_pair("", false);
            wanted += (i > 0 ? " ;; " : "") + text;
            got += (i > 0 ? " ;; " : "") + (i < calls.size() ? Render(calls[i], withAt) : "");
        }
        EXPECT_EQ(got, wanted.empty() ? "" : wanted) << "table line " << row.line;
        if (row.rewritten.empty()) {
            continue;
        }
        std::string rewritten = row.snippet;
        for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
            rewritten.replace(call->arguments.begin, call->arguments.end - call->arguments.begin, "X");
            rewritten.replace(call->name.begin, call->name.end - call->name.begin, "tolvex");
        }
        EXPECT_EQ(rewritten, row.rewritten) << "table line " << row.line;
    }
}

// Ranges stay in the text and in order, placeholders name existing variables: checked on
// every prefix of every snippet and on random texts made of the characters cmd.exe reads.
void ExpectSoundCalls(const std::string& text) {
    std::size_t previous = 0;
    for (const ScriptCall& call : Find(text)) {
        const bool ordered = previous <= call.program.begin && call.program.begin < call.program.end &&
                             call.program.begin <= call.name.begin && call.name.begin < call.name.end &&
                             call.name.end <= call.program.end && call.program.end <= call.arguments.begin &&
                             call.arguments.begin <= call.arguments.end && call.arguments.end <= text.size();
        ASSERT_TRUE(ordered) << testing::PrintToString(text);
        ASSERT_GE(call.line, 1U);
        ASSERT_GE(call.column, 1U);
        for (const std::string& word : call.words) {
            ASSERT_EQ(RenderWord(word, call).find("<bad placeholder>"), std::string::npos) << testing::PrintToString(text);
        }
        previous = call.arguments.end;
    }
}

// Everything a call carries, ranges and flags included.
std::string Describe(const std::vector<ScriptCall>& calls) {
    std::string out;
    for (const ScriptCall& call : calls) {
        out += Render(call, true) + " " + std::to_string(call.program.begin) + "-" + std::to_string(call.program.end) +
               " " + std::to_string(call.name.begin) + "-" + std::to_string(call.name.end) + " " +
               std::to_string(call.arguments.begin) + "-" + std::to_string(call.arguments.end) +
               (call.insideBlock ? " block" : "") + (call.delayedExpansion ? " delayed" : "") + "\n";
    }
    return out;
}

// The reader passes over plain lines; reading every line must find the very same calls.
TEST(BatchReaderTest, PassingOverPlainLinesFindsWhatReadingEveryLineFinds) {
    std::vector<std::string> rows;
    for (const Row& row : ReadTable()) {
        rows.push_back(row.snippet);
    }
    // Lines that hide a name or a keyword, or read differently once a variable names the program;
    // half the lines come from here.
    const std::vector<std::string> tricky = {
        "echo o\"\"ld up", "ec%ho old up", "se%t T=old.exe", "s\"e\"t T=C:\\old.exe", "set T=old.exe",
        "echo %T% up", "!T! up", "%T% up", "set T=other", "setlocal enabledelayedexpansion", "echo 50% off",
        "for %%a in (1) do old %%a", "if 1==1 (", ")", "echo ^", "rem x", "call :x", ":x", "echo o%%ld", "o%ld up",
        "se%t T=C:\\o%ld.exe", "ol\rd up", "OLD up", "echo ok", "  ", "", "oold & oLold-up up", "sset & sSet T=old",
        "for /f %%a in ('echo x\necho y'\necho z & old up) do echo %%a"};
    std::mt19937 random(20261207);
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        for (std::size_t count = 2 + random() % 7; count > 0; --count) {
            text += random() % 2 == 0 ? tricky[random() % tricky.size()] : rows[random() % rows.size()];
            text += random() % 3 == 0 ? "\r\n" : "\n";
        }
        if (random() % 4 == 0) {
            text.pop_back();
        }
        ASSERT_EQ(Describe(Find(text)), Describe(scripts::BatchReader(text, {"old", "old-up"}, true).Read()))
            << testing::PrintToString(text);
    }
}

TEST(BatchReaderTest, RangesStaySoundOnCutAndRandomTexts) {
    for (const Row& row : ReadTable()) {
        for (std::size_t length = 0; length <= row.snippet.size(); ++length) {
            ExpectSoundCalls(row.snippet.substr(0, length));
        }
    }
    const std::string alphabet = "old old-up.exe \t\r\n\"^%!&|<>()=,;:@\\/'`~*12ax";
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (std::size_t length = random() % 64; length > 0; --length) {
            text += alphabet[pick(random)];
        }
        ExpectSoundCalls(text);
    }
}

}  // namespace
