#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tresvik {

// Writes a JSON document (RFC 8259) of nested objects, one member a line, indented by two spaces
// a level, for files that scripts read. Texts go in as UTF-8 and come out as valid UTF-8 whatever
// they held: a byte that does not belong to a well-formed sequence becomes U+FFFD.
class JsonWriter {
public:
    void beginObject();
    void endObject();
    // The name of the member whose value comes next.
    void key(std::string_view name);
    void string(std::string_view utf8);
    void number(std::uint64_t value);
    // With `decimals` digits after the point; null when `value` is not finite, which JSON cannot
    // hold.
    void number(double value, int decimals);
    void null();

    // The document so far; complete once every object has ended.
    const std::string& text() const { return m_text; }

private:
    void newLine();

    std::string m_text;
    // Per open object, whether it has a member yet.
    std::vector<bool> m_hasMembers;
};

// `utf8` as a JSON string, quotes included.
std::string jsonQuoted(std::string_view utf8);

}  // namespace tresvik
