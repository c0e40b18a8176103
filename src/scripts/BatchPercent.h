#pragma once

#include <cstddef>
#include <string_view>

namespace scripts {

// What a "%" in a line of a batch file stands for when cmd.exe reads the line.
struct PercentToken {
    enum class Kind {
        kVariable,  // a reference whose value is known only when the script runs
        kLiteral,   // one literal "%" ("%%", or a "%~" that names no argument)
        kDropped,   // a "%" that opens no reference: cmd.exe removes it
    };
    Kind kind = Kind::kDropped;
    // Bytes of the text the token covers, its "%" included.
    std::size_t length = 1;
    // "%*": all the script's arguments.
    bool wholeList = false;
};

// The percent expansion of a batch file line, one reference at a time.
class BatchPercent {
public:
    // The token at text[pos], which must be '%'. A reference never reaches past the line's LF:
    // "%%" is a literal "%"; "%*", "%0".."%9", "%~<modifiers><digit>" and "%NAME%" (also
    // "%NAME:~1,2%", "%NAME:a=b%") are variables; a "%" with no closing one on its line is dropped.
    static PercentToken Scan(std::string_view text, std::size_t pos);

    // The length of the FOR variable reference "%%x" or "%%~<modifiers>x" at text[pos] whose
    // letter x is one of `letters` (FOR variables are case-sensitive); 0 when there is none.
    static std::size_t ForVariableLength(std::string_view text, std::size_t pos, std::string_view letters);
};

}  // namespace scripts
