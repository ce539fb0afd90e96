#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "benchtest/bench_suite.h"

namespace tresvik {

struct JsonMember;

// A number with the text it was written as, so that a message can quote the file.
struct JsonNumber {
    double value = 0;
    std::string text;
};

// One value of a JSON document and the place it begins. Strings are UTF-16, the unit JSON's
// \u escapes count in, and never hold a lone surrogate; objects keep their members in the order
// written, each key once.
class JsonValue {
public:
    using Array = std::vector<JsonValue>;
    using Object = std::vector<JsonMember>;
    using Data = std::variant<std::nullptr_t, bool, JsonNumber, std::u16string, Array, Object>;

    JsonValue(Data data, SourcePlace place);

    SourcePlace place() const { return m_place; }

    bool isNull() const { return std::holds_alternative<std::nullptr_t>(m_data); }
    bool isBool() const { return std::holds_alternative<bool>(m_data); }
    bool isNumber() const { return std::holds_alternative<JsonNumber>(m_data); }
    bool isString() const { return std::holds_alternative<std::u16string>(m_data); }
    bool isArray() const { return std::holds_alternative<Array>(m_data); }
    bool isObject() const { return std::holds_alternative<Object>(m_data); }

    // Each of these requires the value to be of its kind.
    bool boolean() const { return std::get<bool>(m_data); }
    const JsonNumber& number() const { return std::get<JsonNumber>(m_data); }
    const std::u16string& string() const { return std::get<std::u16string>(m_data); }
    const Array& array() const { return std::get<Array>(m_data); }
    const Object& object() const { return std::get<Object>(m_data); }

    // The member of an object with this key; nullptr when there is none or this is no object.
    const JsonMember* find(std::u16string_view key) const;

    // What the value is, for a message: "an object", "a string", "true", ...
    std::string kindName() const;

private:
    Data m_data;
    SourcePlace m_place;
};

struct JsonMember {
    std::u16string key;
    SourcePlace keyPlace;
    JsonValue value;
};

}  // namespace tresvik
