#include "benchtest/json_value.h"

#include <utility>

namespace tresvik {

JsonValue::JsonValue(Data data, SourcePlace place) : m_data(std::move(data)), m_place(place) {}

const JsonMember* JsonValue::find(std::u16string_view key) const {
    if (!isObject()) {
        return nullptr;
    }
    for (const JsonMember& member : object()) {
        if (member.key == key) {
            return &member;
        }
    }
    return nullptr;
}

std::string JsonValue::kindName() const {
    if (isNull()) {
        return "null";
    }
    if (isBool()) {
        return boolean() ? "true" : "false";
    }
    if (isNumber()) {
        return "a number";
    }
    if (isString()) {
        return "a string";
    }
    return isArray() ? "an array" : "an object";
}

}  // namespace tresvik
