#include "scripts/BatchReader.h"

#include <utility>

// The keywords that change how the rest of a command is read: IF, FOR, START, CMD, SETLOCAL,
// SET, and the scopes of FOR variables.
namespace scripts {

namespace {

// "tokens=" asks for at most 31 variables; anything beyond is not a real script.
constexpr std::size_t kMaxForLetters = 32;

bool IsChar(const BatchUnit& unit, char c) {
    return unit.kind == BatchUnit::Kind::kChar && unit.c == c && !unit.quoted;
}

bool IsComparison(std::string_view word) {
    return word == "equ" || word == "neq" || word == "lss" || word == "leq" || word == "gtr" || word == "geq";
}

// How many variables a "for /f" loop with these options declares: one per token of "tokens=".
std::size_t CountForTokens(std::string_view options) {
    const std::size_t at = options.find("tokens=");
    if (at == std::string_view::npos) {
        return 1;
    }
    std::size_t count = 0;
    std::size_t i = at + 7;
    const auto readNumber = [&options, &i]() {
        std::size_t value = 0;
        while (i < options.size() && options[i] >= '0' && options[i] <= '9' && value < kMaxForLetters) {
            value = value * 10 + static_cast<std::size_t>(options[i] - '0');
            ++i;
        }
        return value;
    };
    while (i < options.size() && count < kMaxForLetters) {
        const char c = options[i];
        if (c >= '0' && c <= '9') {
            const std::size_t first = readNumber();
            std::size_t last = first;
            if (i + 1 < options.size() && options[i] == '-' && options[i + 1] >= '0' && options[i + 1] <= '9') {
                ++i;
                last = readNumber();
            }
            count += last >= first ? last - first + 1 : 1;
        } else if (c == '*') {
            ++count;
            ++i;
        } else if (c == ',') {
            ++i;
        } else {
            break;
        }
    }
    return count == 0 ? 1 : (count < kMaxForLetters ? count : kMaxForLetters);
}

}  // namespace

// NOLINTBEGIN(misc-no-recursion): ReadForSet reads the command of a "for /f" through
// ReadCommands, one level deep at most.
bool BatchReader::ReadIf() {
    words.SkipBlanks();
    words.ReadWord(word, true);
    std::string condition = words.Text(word);
    for (const char* optional : {"/i", "not"}) {
        if (condition == optional) {
            words.SkipBlanks();
            words.ReadWord(word, true);
            condition = words.Text(word);
        }
    }
    if (condition == "exist" || condition == "defined" || condition == "errorlevel" || condition == "cmdextversion") {
        words.SkipBlanks();
        words.ReadWord(word, true);
        return !word.empty();
    }
    if (word.empty()) {
        return false;
    }
    words.SkipBlanks();
    if (lexer.Peek().IsSpecial('=')) {
        while (lexer.Peek().IsSpecial('=')) {
            lexer.Next();
        }
    } else {
        words.ReadWord(word, true);
        if (!IsComparison(words.Text(word))) {
            return false;
        }
    }
    words.SkipBlanks();
    words.ReadWord(word, true);
    return !word.empty();
}

bool BatchReader::ReadFor() {
    bool fileMode = false;
    bool recursive = false;
    std::string options;
    words.SkipBlanks();
    words.ReadWord(word);
    while (!word.empty() && IsChar(word.front(), '/')) {
        const std::string option = words.Text(word);
        words.SkipBlanks();
        if (option == "/f" && IsChar(lexer.Peek(), '"')) {
            words.ReadWord(word);
            options = words.Text(word);
        }
        fileMode = fileMode || option == "/f";
        recursive = recursive || option == "/r";
        words.SkipBlanks();
        words.ReadWord(word);
    }
    const auto letterOf = [this](const std::vector<BatchUnit>& candidate) -> char {
        if (candidate.size() == 2 && IsChar(candidate[0], '%') && candidate[1].kind == BatchUnit::Kind::kChar) {
            return candidate[1].c;
        }
        if (candidate.size() == 1 && candidate[0].kind == BatchUnit::Kind::kVariable &&
            candidate[0].end == candidate[0].begin + 3) {
            return text[candidate[0].begin + 2];  // the letter of an enclosing loop, used again
        }
        return 0;
    };
    char letter = letterOf(word);
    words.SkipBlanks();
    words.ReadWord(word);
    if (recursive && words.Text(word) != "in") {
        // FOR /R's folder to start from may be left out; when it is there, the variable follows it.
        // It is known by that alone: it may be %ROOT%, "C: b" or an enclosing loop's %%d.
        letter = letterOf(word);
        words.SkipBlanks();
        words.ReadWord(word);
    }
    if (letter == 0 || words.Text(word) != "in") {
        return false;
    }
    words.SkipBlanks();
    if (!lexer.Peek().IsSpecial('(')) {
        return false;
    }
    const char commandQuote = options.find("usebackq") != std::string::npos ? '`' : '\'';
    const std::size_t setBegin = lexer.Peek().begin;
    ReadForSet(fileMode, commandQuote);
    // The set names the program (old.exe, "C:\Tools\old.exe", 'where old.exe'): the loop's
    // variables then hold it.
    NameMatch mention;
    const bool namesProgram = mentions.FindMention(text.substr(setBegin, lexer.Peek().begin - setBegin), 0, mention);
    words.SkipBlanks();
    words.ReadWord(word);
    if (words.Text(word) != "do") {
        return false;
    }
    std::string letters;
    const std::size_t count = fileMode ? CountForTokens(options) : 1;
    for (std::size_t i = 0; i < count && letter + static_cast<int>(i) <= '~'; ++i) {
        letters += static_cast<char>(letter + static_cast<int>(i));
    }
    PushForScope(std::move(letters), namesProgram);
    forBodyNext = true;
    return true;
}

void BatchReader::ReadForSet(bool fileMode, char commandQuote) {
    const std::size_t depth = blocks.size();
    OpenBlock(lexer.Next().line);
    words.SkipBlanks();
    if (fileMode && words.Terminator() == 0 && IsChar(lexer.Peek(), commandQuote)) {
        lexer.Next();
        words.SetTerminator(commandQuote);
        ReadCommands();
        words.SetTerminator(0);
        if (IsChar(lexer.Peek(), commandQuote)) {
            lexer.Next();
        }
    }
    while (lexer.Peek().kind != BatchUnit::Kind::kEnd) {
        if (lexer.Next().IsSpecial(')')) {
            while (blocks.size() > depth) {
                blocks.pop_back();
            }
            words.SetInBlock(!blocks.empty());
            return;
        }
    }
}

// NOLINTEND(misc-no-recursion)

void BatchReader::ReadStart() {
    bool title = false;
    while (true) {
        words.SkipBlanks();
        const BatchUnit& next = lexer.Peek();
        if (!title && next.kind == BatchUnit::Kind::kChar && next.c == '"' && !next.escaped) {
            title = true;  // the first quoted argument is the window title, never the program
            words.ReadWord(word);
            continue;
        }
        if (!IsChar(next, '/') || next.escaped) {
            return;
        }
        words.ReadWord(word);
        const std::string& option = words.Text(word);
        if (option == "/d" || option == "/node" || option == "/affinity") {
            words.SkipBlanks();
            words.ReadWord(word);
        }
    }
}

bool BatchReader::ReadCmdSwitches(std::string& runSwitch) {
    while (true) {
        words.SkipBlanks();
        if (!lexer.Peek().IsSpecial('/')) {
            return false;
        }
        words.ReadWord(word);
        const std::string& option = words.Text(word);
        if (option == "/c" || option == "/k") {
            runSwitch = option;
            return true;
        }
    }
}

void BatchReader::ReadSetlocal() {
    while (true) {
        words.SkipBlanks();
        if (words.EndsCommand(lexer.Peek())) {
            return;
        }
        if (words.AtRedirection(true)) {
            words.ReadRedirection();
            continue;
        }
        words.ReadWord(word);
        delayed = delayed || words.Text(word) == "enabledelayedexpansion";
    }
}

void BatchReader::ReadSet() {
    words.SkipBlanks();
    word.clear();
    while (!words.EndsCommand(lexer.Peek())) {
        word.push_back(lexer.Next());
    }
    if (word.empty() || IsChar(word.front(), '/')) {
        return;  // "set /a", "set /p": not a path
    }
    std::size_t begin = 0;
    std::size_t end = word.size();
    if (word.front().kind == BatchUnit::Kind::kChar && word.front().c == '"') {
        begin = 1;
        for (std::size_t i = word.size() - 1; i > 0; --i) {
            if (word[i].kind == BatchUnit::Kind::kChar && word[i].c == '"') {
                end = i;
                break;
            }
        }
    }
    std::string name;
    for (std::size_t i = begin; i < end; ++i) {
        if (word[i].kind != BatchUnit::Kind::kChar) {
            return;  // a name built from variables: not followed
        }
        if (word[i].c == '=') {
            if (!name.empty()) {
                names.NoteAssignment(name, word.data() + i + 1, end - i - 1);
            }
            return;
        }
        name += word[i].c;
    }
}

void BatchReader::PushForScope(std::string letters, bool namesProgram) {
    for (const char letter : letters) {
        ++letterCounts[static_cast<unsigned char>(letter)];
        names.NoteLoopLetter(letter, namesProgram ? 1 : 0);
    }
    forScopes.push_back({blocks.size(), false, std::move(letters), namesProgram});
    UpdateForLetters();
}

void BatchReader::PopForScope() {
    for (const char letter : forScopes.back().letters) {
        --letterCounts[static_cast<unsigned char>(letter)];
        names.NoteLoopLetter(letter, forScopes.back().namesProgram ? -1 : 0);
    }
    forScopes.pop_back();
    UpdateForLetters();
}

void BatchReader::UpdateForLetters() {
    // From counts, not from the scopes: loops nested thousands deep stay linear.
    std::string letters;
    for (std::size_t c = 0; c < letterCounts.size(); ++c) {
        if (letterCounts[c] > 0) {
            letters += static_cast<char>(c);
        }
    }
    lexer.SetForVariables(letters);
}

}  // namespace scripts
