#pragma once

#include <cstddef>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace migrate {

// A JSON document built up in C++ and written out as text. It keeps the JSON library, a large
// one to compile and to analyse, inside this class's own source file.
class JsonValue {
public:
    // null
    JsonValue();
    // A string; bytes that are not UTF-8 are written as U+FFFD. Not explicit: a text passed where
    // a value goes reads as that value.
    // cppcheck-suppress noExplicitConstructor
    JsonValue(const std::string& text);
    // cppcheck-suppress noExplicitConstructor
    JsonValue(const char* text);
    static JsonValue Number(std::size_t number);
    static JsonValue Boolean(bool flag);
    static JsonValue Object();
    static JsonValue Array();

    ~JsonValue();
    JsonValue(const JsonValue& other);
    JsonValue(JsonValue&& other) noexcept;
    JsonValue& operator=(JsonValue other) noexcept;

    // Adds a member to an object, after those already there.
    JsonValue& Set(const std::string& key, JsonValue member);
    // Adds an element to an array.
    JsonValue& Append(JsonValue element);

    // The text, indented by two spaces, with a final line end.
    std::string Dump() const;

private:
    std::unique_ptr<nlohmann::ordered_json> value;
};

}  // namespace migrate
