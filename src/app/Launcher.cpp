#include "app/Launcher.h"

#include <algorithm>
#include <array>
#include <iostream>

#include "app/Platform.h"

std::string DirectoryPart(const std::string& fileName, char separator) {
    const std::size_t last = fileName.rfind(separator);
    if (last == std::string::npos) {
        return fileName;
    }
    return fileName.substr(0, last + 1);
}

std::string GetModuleDirectory() {
    std::array<char, platform::kModuleNameSize> buffer{};
    const std::size_t length =
        std::min(platform::GetExecutableFileName(buffer.data(), buffer.size()), buffer.size());
    if (length == 0) {
        return std::string();
    }
    const auto nameEnd = std::find(buffer.begin(), buffer.begin() + length, '\0');
    return DirectoryPart(std::string(buffer.begin(), nameEnd), platform::DirectorySeparator());
}

void PrintTranslatedCommand(std::ostream& console, const std::string& fullLine) {
    console << "The translated command is: " << std::endl;
    console << fullLine << std::endl;
}

int RunTranslatedCommand(const std::string& commandLine) {
    // Unquoted on purpose: the old tool ran it this way, and callers rely on the same line.
    const std::string fullLine = GetModuleDirectory() + kToolFileName + " " + commandLine;
    PrintTranslatedCommand(std::cout, fullLine);
    const int returnCode = platform::RunCommandLine(fullLine);
    std::cout << "The tolvx return code is: " << returnCode << std::endl;
    return returnCode;
}
