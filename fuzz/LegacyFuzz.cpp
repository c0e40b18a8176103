// libFuzzer target: the whole legacy run short of launching the current tool.
//
// The input is split at every NUL byte into argument words, so every word a real argument
// vector can carry is reachable: empty words, spaces, quotes, "=", dashes, bytes above 0x7F.
// The empty input stands for a call with no arguments at all. The first word is the command
// keyword; the rest are the option words.
//
// Each step of the run is followed by cheap checks of what must always hold; a violation
// aborts, which libFuzzer reports as a crash with the input that caused it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/ArgumentCopyTable.h"
#include "app/CommandDispatch.h"
#include "framework/CommandBase.h"
#include "params/Parameters.h"
#include "support/ConsoleCapture.h"
#include "support/LegacyArguments.h"

namespace {

const std::string kOutputSuffix = " --output C:\\Vexadyn_Support\\";
const std::string kSyntaxHeader = "The command parameters are not vaild!\n";

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant violated: %s\n", what);
        std::abort();
    }
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::size_t CountLines(const std::string& text) {
    std::size_t lines = 0;
    for (const char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    return lines;
}

std::vector<std::string> SplitWords(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words;
    if (size == 0) {
        return words;
    }
    std::string word;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    words.push_back(word);
    return words;
}

// The command words a successful translation starts with, by legacy keyword.
std::string ExpectedStart(const std::string& keyword) {
    if (keyword == "acquire" || keyword == "ac") {
        return "update acquire";
    }
    if (keyword == "compare" || keyword == "co") {
        return "update compare";
    }
    if (keyword == "update" || keyword == "up") {
        return "update flash";
    }
    return std::string();
}

bool IsKnownKeyword(const std::string& keyword) {
    return !ExpectedStart(keyword).empty() || keyword == "hivebay" || keyword == "hb";
}

void CheckWordClasses(const std::string& word) {
    const int classes = (Parameters::IsShortOption(word) ? 1 : 0) +
                        (Parameters::IsLongOption(word) ? 1 : 0) +
                        (Parameters::IsValueWord(word) ? 1 : 0);
    // A lone "-" is the one word in no class.
    Require(classes == (word == "-" ? 0 : 1), "a word belongs to exactly one class");
}

void RunLegacySteps(const std::vector<std::string>& words) {
    LegacyArguments arguments(words);
    const int count = arguments.Count();
    const ArgumentCopyTable copies(count, arguments.Vector());
    BlankArguments(count, arguments.Vector());
    const std::vector<std::string>& texts = arguments.Texts();
    Require(texts[0] == "tolvex-legacy", "the program name is not blanked");
    for (std::size_t i = 1; i < texts.size(); ++i) {
        Require(texts[i] == std::string(words[i - 1].size(), ' '), "arguments are blanked in place");
        Require(copies.Entries()[i] == words[i - 1], "the copies keep what was typed");
    }

    const ConsoleCapture console;
    const Parameters parameters(count, copies.Entries());
    const std::string keyword = parameters.GetCommand();
    Require(keyword == (words.empty() ? std::string() : words[0]), "the first word is the command");
    const std::vector<std::string>& optionList = parameters.GetOptionList();
    Require(optionList.size() == (words.size() < 2 ? 0 : words.size() - 1), "every word is kept");
    for (std::size_t i = 0; i < optionList.size(); ++i) {
        Require(optionList[i] == words[i + 1], "option words are kept as typed");
        CheckWordClasses(optionList[i]);
    }

    const bool syntaxOk = parameters.CheckSyntax();
    const std::string syntaxOutput = console.Text();
    if (!syntaxOk) {
        Require(CountLines(syntaxOutput) == 2 && EndsWith(syntaxOutput, "\n"),
                "a syntax complaint is exactly two lines");
        Require(StartsWith(syntaxOutput, kSyntaxHeader), "a syntax complaint starts with its header");
        Require(!optionList.empty(), "an empty option list is always well formed");
        return;
    }
    Require(syntaxOutput.empty(), "a good syntax check prints nothing");

    const std::unique_ptr<CommandBase> command = CreateCommand(keyword, parameters);
    Require((command != nullptr) == IsKnownKeyword(keyword), "exactly the eight keywords have translators");
    if (command == nullptr) {
        return;
    }

    const bool prepared = command->Prepare();
    const std::string prepareOutput = console.Text().substr(syntaxOutput.size());
    const std::string line = command->GetCommandLine();
    if (!prepared) {
        Require(!prepareOutput.empty(), "a failing Prepare says why");
        return;
    }
    Require(EndsWith(line, kOutputSuffix), "a prepared line ends with the output directory");
    const std::string start = ExpectedStart(keyword);
    if (start.empty()) {
        // The chassis command writes its command words only when a scan was asked for.
        Require(StartsWith(line, "update scan") || StartsWith(line, " "),
                "a chassis line starts with its command words or a space");
    } else {
        Require(StartsWith(line, start), "a prepared line starts with its command words");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // The output directory follows SYSTEMDRIVE; pin it so the suffix check is exact.
    setenv("SYSTEMDRIVE", "C:", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RunLegacySteps(SplitWords(data, size));
    return 0;
}
