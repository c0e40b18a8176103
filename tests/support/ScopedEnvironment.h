#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

// Sets (or, given std::nullopt, removes) an environment variable and restores it afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value) : name(std::move(name)) {
        if (const char* old = std::getenv(this->name.c_str())) {
            previous = old;
        }
        Apply(value);
    }
    ~ScopedEnvironment() { Apply(previous); }

    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void Apply(const std::optional<std::string>& value) const {
#ifdef _WIN32
        // The C runtime removes a variable that is set to the empty text, so an empty value
        // cannot be expressed there; tests that need one run on the host build only.
        _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
#endif
    }

    std::string name;
    std::optional<std::string> previous;
};
