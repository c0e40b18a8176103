#include "migrate/JsonValue.h"

#include <nlohmann/json.hpp>
#include <utility>

namespace migrate {

JsonValue::JsonValue() : value(std::make_unique<nlohmann::ordered_json>()) {}

JsonValue::JsonValue(const std::string& text) : value(std::make_unique<nlohmann::ordered_json>(text)) {}

JsonValue::JsonValue(const char* text) : value(std::make_unique<nlohmann::ordered_json>(text)) {}

JsonValue JsonValue::Number(std::size_t number) {
    JsonValue json;
    *json.value = number;
    return json;
}

JsonValue JsonValue::Boolean(bool flag) {
    JsonValue json;
    *json.value = flag;
    return json;
}

JsonValue JsonValue::Object() {
    JsonValue json;
    *json.value = nlohmann::ordered_json::object();
    return json;
}

JsonValue JsonValue::Array() {
    JsonValue json;
    *json.value = nlohmann::ordered_json::array();
    return json;
}

JsonValue::~JsonValue() = default;

JsonValue::JsonValue(const JsonValue& other) : value(std::make_unique<nlohmann::ordered_json>(*other.value)) {}

JsonValue::JsonValue(JsonValue&& other) noexcept : value(std::move(other.value)) {}

JsonValue& JsonValue::operator=(JsonValue other) noexcept {
    std::swap(value, other.value);
    return *this;
}

JsonValue& JsonValue::Set(const std::string& key, JsonValue member) {
    (*value)[key] = std::move(*member.value);
    return *this;
}

JsonValue& JsonValue::Append(JsonValue element) {
    value->push_back(std::move(*element.value));
    return *this;
}

std::string JsonValue::Dump() const {
    return value->dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace migrate
