#include "cli/JsonObject.h"
#include "journal/JsonText.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

namespace quorvex::cli {
namespace {

struct RuleCase {
    const char* what;
    std::string bytes;
    std::string literal;  // as both writers must spell it
};

// One rule for the client's lines and the journal's JSON (exports, the control-room link): a
// unit's UTF-8 reads as it was sent, a byte that is no UTF-8 stays visible as \xFF, control
// characters are escaped, and the result is always JSON a strict reader takes.
const RuleCase Cases[] = {
    {"ASCII", "Pig 12, channel 3", R"("Pig 12, channel 3")"},
    {"quote and backslash", "a\"b\\c", R"("a\"b\\c")"},
    {"2-byte UTF-8", "Stütze é", "\"Stütze é\""},
    {"3-byte UTF-8", "20 \xE2\x82\xAC", "\"20 \xE2\x82\xAC\""},
    {"4-byte UTF-8", "\xF0\x9D\x84\x9E", "\"\xF0\x9D\x84\x9E\""},
    {"C1 control as valid UTF-8", "\xC2\x85", "\"\xC2\x85\""},
    {"Latin-1 byte", "Caf\xE9", R"("Caf\\xE9")"},
    {"lone continuation", "\x80x", R"("\\x80x")"},
    {"cut sequence", "A\xC3", R"("A\\xC3")"},
    {"overlong", "\xC0\xAF", R"("\\xC0\\xAF")"},
    {"surrogate", "\xED\xA0\x80", R"("\\xED\\xA0\\x80")"},
    {"never UTF-8", "\xFF\xFE", R"("\\xFF\\xFE")"},
    {"control bytes", std::string("\x01\x1B[31m\0", 7), R"("\u0001\u001b[31m\u0000")"},
    {"line end and tab", "a\nb\tc", R"("a\nb\tc")"},
    {"delete", "x\x7Fy", R"("x\u007fy")"},
};

TEST(JsonRule, BothWritersSpellEveryByteTheSameValidWay) {
    for (const RuleCase& rule : Cases) {
        SCOPED_TRACE(rule.what);
        EXPECT_EQ(rule.literal, journal::jsonText(rule.bytes));
        EXPECT_EQ(rule.literal, JsonObject::quoted(rule.bytes));
        const std::string line = JsonObject().text("k", rule.bytes).str();
        EXPECT_EQ("{\"k\":" + rule.literal + "}", line);
        const auto parsed = nlohmann::json::parse(line);  // throws on invalid JSON or UTF-8
        if (rule.literal.find("\\\\x") == std::string::npos) {
            EXPECT_EQ(rule.bytes, parsed["k"].get<std::string>());
        }
    }
}

}  // namespace
}  // namespace quorvex::cli
