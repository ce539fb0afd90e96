#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "benchtest/json_parser.h"

namespace tresvik {
namespace {

std::string placeOf(const JsonError& error) {
    return std::to_string(error.place.line) + ":" + std::to_string(error.place.column);
}

TEST(JsonParser, RefusesBadTextAtTheLineAndCharacterWhereReadingStopped) {
    struct Case {
        std::string text;
        std::string place;
        std::string message;
    };
    const Case cases[] = {
        {"", "1:1", "expected a value, found the end of the file"},
        {"  \n", "2:1", "expected a value, found the end of the file"},
        {"{\"a\":1,}", "1:8", "expected a key (a string)"},
        {"{\"a\" 1}", "1:6", "expected ':'"},
        {"{\"a\":1 \"b\":2}", "1:8", "expected ',' or '}'"},
        {"[1 2]", "1:4", "expected ',' or ']'"},
        {"[1,]", "1:4", "expected a value"},
        {"{1:2}", "1:2", "expected a key (a string) or '}'"},
        {"[tru]", "1:2", "expected a value"},
        {"[\"abc", "1:2", "unterminated string"},
        {"{\"a\": \"x\n\"}", "1:7", "unterminated string"},
        {"[\"a\\", "1:2", "unterminated string"},
        {"[\"a\x01\"]", "1:4", "control character U+0001 in a string"},
        {"[\"\\q\"]", "1:3", "unknown escape"},
        {"[\"\\u12G4\"]", "1:3", "expected four hex digits after \\u"},
        {"[\"ab\\uD800\"]", "1:5", "lone surrogate \\uD800"},
        {"[\"\\uDC00\\uD800\"]", "1:3", "lone surrogate \\uDC00"},
        {"[\"\\uD800\\u0041\"]", "1:3", "lone surrogate \\uD800"},
        {"-", "1:2", "expected a digit, found the end of the file"},
        {"[1.]", "1:4", "expected a digit after '.'"},
        {"[1e+]", "1:5", "expected a digit in the exponent"},
        {"01", "1:2", "expected the end of the file after the value"},
        {"[1e999]", "1:2", "number 1e999 is out of range"},
        {"{\"a\":1} x", "1:9", "expected the end of the file after the value"},
        {"{\"a\":1,\"a\":2}", "1:8", "duplicate key \"a\" (first at 1:2)"},
        // Lines end at LF, CR LF and CR alike; a character is one column however many bytes.
        {"{\r\n  \"a\": ?\r\n}", "2:8", "expected a value"},
        {"[\r1,\rx]", "3:1", "expected a value"},
        {"[\"\xC3\xA4\xC3\xB6\xF0\x9F\x98\x80\", x]", "1:9", "expected a value"},
        {"\xEF\xBB\xBF[x]", "1:2", "expected a value"},
        {"[\"a\xFF\"]", "1:4", "not valid UTF-8 (byte 0xFF)"},
        {"[\"\xC0\xAF\"]", "1:3", "not valid UTF-8 (byte 0xC0)"},
        {"[\"\xED\xA0\x80\"]", "1:3", "not valid UTF-8 (byte 0xED)"},
        {"\n  [\"\xE2\x82", "2:5", "not valid UTF-8 (byte 0xE2)"},
        {"\xEF\xBB", "1:1", "not valid UTF-8 (byte 0xEF)"},
        {std::string(kJsonDepthLimit + 1, '['), "1:65", "nested deeper than 64 levels"},
    };
    for (const Case& c : cases) {
        const auto parsed = parseJson(c.text);
        ASSERT_TRUE(std::holds_alternative<JsonError>(parsed)) << c.text;
        const JsonError& error = std::get<JsonError>(parsed);
        EXPECT_EQ(placeOf(error), c.place) << c.text << ": " << error.message;
        EXPECT_NE(error.message.find(c.message), std::string::npos)
            << c.text << ": " << error.message;
    }
}

TEST(JsonParser, KeepsEveryValueMemberOrderAndThePlaceEachBegins) {
    const std::string text =
        "\xEF\xBB\xBF{\"z\": [0, -2.5e1, 1E2, true, false, null],\n"
        "  \"\xC3\xA4\": \"\\u00e9\\ud83d\\ude00\\n\\\"\\\\\\/\\b\\f\\r\\t\xE2\x82\xAC\",\n"
        "  \"a\": {}}";
    const auto parsed = parseJson(text);
    ASSERT_TRUE(std::holds_alternative<JsonValue>(parsed)) << std::get<JsonError>(parsed).message;
    const JsonValue& root = std::get<JsonValue>(parsed);
    EXPECT_EQ(root.place(), (SourcePlace{1, 1}));
    ASSERT_TRUE(root.isObject());
    ASSERT_EQ(root.object().size(), 3U);
    EXPECT_EQ(root.object()[0].key, u"z");
    EXPECT_EQ(root.object()[1].key, u"\u00E4");
    EXPECT_EQ(root.object()[2].key, u"a");
    EXPECT_EQ(root.object()[1].keyPlace, (SourcePlace{2, 3}));

    const JsonValue::Array& items = root.find(u"z")->value.array();
    ASSERT_EQ(items.size(), 6U);
    EXPECT_EQ(items[1].number().value, -25.0);
    EXPECT_EQ(items[1].number().text, "-2.5e1");
    EXPECT_EQ(items[2].number().value, 100.0);
    EXPECT_TRUE(items[3].boolean());
    EXPECT_FALSE(items[4].boolean());
    EXPECT_TRUE(items[5].isNull());
    EXPECT_EQ(items[5].place(), (SourcePlace{1, 37}));

    const JsonValue& string = root.find(u"\u00E4")->value;
    EXPECT_EQ(string.string(), u"\u00E9\U0001F600\n\"\\/\b\f\r\t\u20AC");
    EXPECT_EQ(string.place(), (SourcePlace{2, 8}));
    EXPECT_EQ(root.find(u"a")->value.place(), (SourcePlace{3, 8}));
    EXPECT_TRUE(root.find(u"a")->value.object().empty());
}

TEST(JsonParser, ReadsNestingUpToItsLimit) {
    const std::string text = std::string(kJsonDepthLimit, '[') + std::string(kJsonDepthLimit, ']');
    EXPECT_TRUE(std::holds_alternative<JsonValue>(parseJson(text)));
}

}  // namespace
}  // namespace tresvik
