#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "scripts/BatchArguments.h"
#include "scripts/BatchLexer.h"
#include "scripts/BatchPlainLines.h"
#include "scripts/BatchProgramName.h"
#include "scripts/BatchWords.h"
#include "scripts/ProgramNames.h"
#include "scripts/ScriptCall.h"

namespace scripts {

// Every call of the legacy program in the batch file `text`, in the order of the text, found the
// way cmd.exe reads the file. `legacyNames`: the program's file names without ".exe", lower case.
std::vector<ScriptCall> FindBatchCalls(std::string_view text, const std::vector<std::string>& legacyNames);

// One pass over a batch file: commands, parenthesised blocks, IF, FOR, CALL, START and CMD /C
// prefixes, labels and comments, in a single left-to-right reading.
class BatchReader {
public:
    // `everyLine`: read every line unit by unit, plain ones too (the slow reading the quick
    // one is checked against).
    BatchReader(std::string_view text, const std::vector<std::string>& legacyNames, bool everyLine = false);

    // Reads the whole text; call once.
    std::vector<ScriptCall> Read();

private:
    // Why a call is left for review, the first of these winning.
    enum class Review {
        kHandedOn,
        kRedirected,
        kPiped,
        kInterleaved,
        kCaptured,
        kVariableProgram,
        kThroughCmd,
        kThroughCall,
        kNameInPieces,
        kNone,
    };
    struct Block {
        std::size_t line = 0;
        std::size_t firstCall = 0;
        // A redirection written before the "(": the output of every command inside goes there.
        std::string redirection;
    };
    struct ForScope {
        std::size_t depth = 0;
        // The scope is the block that forms the loop's body; otherwise it lasts to the line end.
        bool block = false;
        std::string letters;
        // The loop's set names the program: its letters stand for it (for %%t in (old.exe)).
        bool namesProgram = false;
    };
    // What stands before the program word of the command being read.
    struct Prefix {
        bool viaCall = false;
        // The switch of "cmd" that runs the rest of the line ("/c" or "/k"); empty without cmd.
        std::string viaCmd;
        bool outputRedirected = false;
        BatchRedirection redirection;
    };

    // What the start of a command turned out to be.
    enum class Step {
        kDone,   // the command (or a block's parenthesis) was read
        kWord,   // a word follows: a keyword or the program
        kAgain,  // a redirection before the program was read
    };

    // Reads commands up to the end of the text or, inside a "for /f" command, up to its quote.
    void ReadCommands();
    // The unit ends ReadCommands: the end of the text, or the end of a "for /f" command.
    bool EndsCommands(const BatchUnit& unit) const;
    void ReadCommand();
    Step ReadCommandStart(Prefix& prefix);
    // Acts on the command word just read; returns whether a command position follows it.
    bool ReadKeyword(Prefix& prefix);
    // Reads from a command word on, once keywords and prefixes are known not to apply.
    void ReadProgram(const Prefix& prefix);
    void EndCommand();
    void OpenBlock(std::size_t line);
    void CloseBlock();
    void ReadAfterBlock(std::size_t firstCall);
    void EndLine();
    // At a line's start, outside a "for /f" command: passes over the plain lines ahead.
    void SkipPlainLines();
    bool ReadIf();
    bool ReadFor();
    void ReadForSet(bool fileMode, char commandQuote);
    void ReadStart();
    std::string WordWithoutQuotes() const;
    bool NamesCmd(std::string_view keyword) const;
    bool ReadCmdSwitches(std::string& runSwitch);
    void ReadHandedOn(const Prefix& prefix);
    void ReadSetlocal();
    void ReadSet();
    void PushForScope(std::string letters, bool namesProgram);
    void PopForScope();
    void UpdateForLetters();
    void SetReview(std::size_t index, Review reason, const std::string& text);
    void MarkBlockCalls(std::size_t firstCall, Review reason, const std::string& text);
    std::string Source(ByteRange range) const;

    std::string_view text;
    BatchLexer lexer;
    BatchWords words;
    BatchArguments arguments;
    BatchProgramName names;
    ProgramNames mentions;
    BatchPlainLines plainLines;
    bool everyLine = false;
    std::vector<ScriptCall> calls;
    std::vector<Review> reviews;
    // For MarkBlockCalls: skips over calls already marked as redirected, or as piped.
    std::vector<std::size_t> unredirected;
    std::vector<std::size_t> unpiped;
    std::vector<Block> blocks;
    std::vector<ForScope> forScopes;
    // How many scopes declare each letter.
    std::array<std::size_t, 256> letterCounts{};
    // A FOR's "do" was just read: a block opened now is the loop's body.
    bool forBodyNext = false;
    bool delayed = false;
    std::vector<BatchUnit> word;
};

}  // namespace scripts
