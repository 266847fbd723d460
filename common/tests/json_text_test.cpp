#include "json_text.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace ozmi::json {
namespace {

TEST(JsonText, EscapesEachSpecialCharacterOnce) {
  static constexpr struct {
    const char* in;
    const char* out;
  } kCases[] = {
      {"/", R"("\/")"},
      {"\"", R"("\"")"},
      {"\\", R"("\\")"},
      {"\b", R"("\b")"},
      {"\f", R"("\f")"},
      {"\n", R"("\n")"},
      {"\r", R"("\r")"},
      {"\t", R"("\t")"},
      {"\x01", R"("\u0001")"},
      {"\x1f", R"("\u001f")"},
      {"\x7f", "\"\x7f\""},
      {"é ✓ 😀", "\"é ✓ 😀\""},
      {"/tmp/in", R"("\/tmp\/in")"},
      {"", R"("")"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(write(Value(c.in)), c.out);
  }
}

TEST(JsonText, NulInsideAStringIsEscaped) {
  EXPECT_EQ(write(Value(std::string("a\0b", 3))), R"("a\u0000b")");
}

TEST(JsonText, WritesCompactObjectsInTheGivenOrderAndParsesBack) {
  const Value v(Value::Object{{"schema", 1},
                              {"b", Value::Array{true, false, Null{}, std::int64_t{-9007199254740993}}},
                              {"a", Value::Object{}},
                              {"path", "/x y/\"z\""}});
  const auto text = write(v);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text,
            R"({"schema":1,"b":[true,false,null,-9007199254740993],"a":{},"path":"\/x y\/\"z\""})");
  const auto parsed = nlohmann::json::parse(*text);
  EXPECT_EQ(parsed["path"], "/x y/\"z\"");
}

TEST(JsonText, InvalidUtf8HasNoText) {
  static constexpr const char* kBad[] = {
      "\x80",              // continuation byte first
      "\xc0\xaf",          // overlong "/"
      "\xe0\x80\xaf",      // overlong three-byte form
      "\xed\xa0\x80",      // a surrogate
      "\xf4\x90\x80\x80",  // past U+10FFFF
      "\xc3",              // cut short
      "\xff",
  };
  for (const char* bad : kBad) {
    SCOPED_TRACE(testing::PrintToString(std::string(bad)));
    EXPECT_FALSE(isValidUtf8(bad));
    EXPECT_FALSE(write(Value(bad)));
    EXPECT_FALSE(write(Value(Value::Object{{bad, 1}})));
    EXPECT_FALSE(write(Value(Value::Array{"ok", Value::Object{{"k", bad}}})));
  }
  EXPECT_TRUE(isValidUtf8("\xf4\x8f\xbf\xbf"));  // U+10FFFF itself
}

// A value held as its text must write the same bytes, alone and inside others; one without a
// text stays a tree, so that writing still fails where it failed.
TEST(JsonText, WrittenValuesWriteTheBytesOfTheirTrees) {
  const Value kValues[] = {
      Value(Null{}),
      Value(true),
      Value(std::int64_t{-9007199254740993}),
      Value("/x \"y\"\\ \x01\t é"),
      Value(Value::Array{}),
      Value(Value::Object{}),
      Value(Value::Object{{"k/", Value::Array{1, "a", Null{}, Value::Object{{"", false}}}},
                          {"n", 0}}),
  };
  Value::Array trees;
  Value::Array texts;
  for (const Value& v : kValues) {
    const Value w = written(v);
    SCOPED_TRACE(*write(v));
    ASSERT_TRUE(std::holds_alternative<Written>(w.data));
    EXPECT_EQ(write(w), write(v));
    EXPECT_EQ(write(Value::Object{{"a", w}, {"b", Value::Array{w, w}}}),
              write(Value::Object{{"a", v}, {"b", Value::Array{v, v}}}));
  }
  for (int i = 0; i < 1000; ++i) {
    const Value& v = kValues[i % std::size(kValues)];
    trees.push_back(v);
    texts.push_back(written(v));
  }
  EXPECT_EQ(write(Value(texts)), write(Value(trees)));

  const Value bad = written(Value::Object{{"k", "\xff"}});
  EXPECT_TRUE(std::holds_alternative<Value::Object>(bad.data));
  EXPECT_FALSE(write(Value::Array{written(1), bad}));
}

TEST(JsonText, LineIsTheTextAndOneLineFeed) {
  const Value v(Value::Object{{"schema", 1}, {"path", "/a"}});
  EXPECT_EQ(writeLine(v), *write(v) + "\n");
  EXPECT_FALSE(writeLine(Value("\xff")));
}

TEST(JsonText, ObjectOfKeepsTheMembersInOrder) {
  std::string big(1000, 'x');
  const Value::Object object = objectOf({{"a", 1}, {"b", std::move(big)}, {"c", Null{}}});
  EXPECT_EQ(write(Value(object)),
            write(Value::Object{{"a", 1}, {"b", std::string(1000, 'x')}, {"c", Null{}}}));
}

}  // namespace
}  // namespace ozmi::json
