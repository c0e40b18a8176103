#pragma once

#include <iostream>
#include <sstream>
#include <string>

// Collects everything written to std::cout while it lives.
class ConsoleCapture {
public:
    ConsoleCapture() : previous(std::cout.rdbuf(buffer.rdbuf())) {}
    ~ConsoleCapture() { std::cout.rdbuf(previous); }

    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    std::string Text() const { return buffer.str(); }

private:
    std::ostringstream buffer;
    std::streambuf* previous;
};
