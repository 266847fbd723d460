#include "code_requirement.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <map>

namespace ozmi::permission {
namespace {

// Builds expression bytes: big-endian words and padded data, as compiled requirements hold them.
struct Expr {
  std::string bytes;

  Expr& w(std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((v >> shift) & 0xff);
    return *this;
  }
  Expr& d(std::string_view data) {
    w(static_cast<std::uint32_t>(data.size()));
    bytes += data;
    while (bytes.size() % 4 != 0) bytes += '\0';
    return *this;
  }
  Expr& e(const Expr& inner) {
    bytes += inner.bytes;
    return *this;
  }
};

std::string blob(const Expr& expression, std::uint32_t kind = 1) {
  Expr header;
  header.w(kRequirementMagic).w(static_cast<std::uint32_t>(12 + expression.bytes.size())).w(kind);
  return header.bytes + expression.bytes;
}

Expr ident(std::string_view id) { return Expr().w(2).d(id); }
Expr op(std::uint32_t code) { return Expr().w(code); }
Expr both(std::uint32_t code, const Expr& a, const Expr& b) { return Expr().w(code).e(a).e(b); }
Expr all(const Expr& a, const Expr& b) { return both(6, a, b); }
Expr any(const Expr& a, const Expr& b) { return both(7, a, b); }

const std::string kOidExt = std::string("\x2a\x86\x48\x86\xf7\x63\x64\x06\x02\x06", 10);

std::optional<std::string> render(const std::string& bytes) {
  std::optional<CompiledRequirement> parsed = parseRequirement(bytes);
  if (!parsed) return std::string("<unparseable>");
  return renderRequirement(*parsed);
}

// The requirements of a real user permission database, read with a query of our own (its
// access table predates the helper's columns).
TEST(CodeRequirementTest, RendersTheBlobsOfARealDatabase) {
  if (!std::filesystem::is_directory(OZMI_FIXTURES)) {
    GTEST_SKIP() << "no sample databases at " OZMI_FIXTURES;
  }
  const std::string path = OZMI_FIXTURES "/tcc-user-macos10.15.db";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* statement = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT client, csreq FROM access WHERE csreq IS NOT NULL",
                               -1, &statement, nullptr),
            SQLITE_OK);
  const std::string adobe =
      "anchor apple generic and (certificate leaf[field.1.2.840.113635.100.6.1.9] /* exists */ "
      "or certificate 1[field.1.2.840.113635.100.6.2.6] /* exists */ and "
      "certificate leaf[field.1.2.840.113635.100.6.1.13] /* exists */ and "
      "certificate leaf[subject.OU] = JQ525L2MZD)";
  const std::string chrome =
      "(identifier \"com.google.Chrome\" or identifier \"com.google.Chrome.beta\" or "
      "identifier \"com.google.Chrome.dev\" or identifier \"com.google.Chrome.canary\") and "
      "certificate leaf = H\"c9a99324ca3fcb23dbcc36bd5fd4f9753305130a\"";
  const std::map<std::string, std::string> expected = {
      {"com.apple.weather", "identifier \"com.apple.weather\" and anchor apple"},
      {"com.apple.TrustedPeersHelper", "identifier \"com.apple.TrustedPeersHelper\" and anchor apple"},
      {"com.apple.stocks-widget-container",
       "identifier \"com.apple.stocks-widget-container\" and anchor apple"},
      {"com.agilebits.onepassword7",
       "anchor apple generic and identifier \"com.agilebits.onepassword7\" and "
       "(certificate leaf[field.1.2.840.113635.100.6.1.9] /* exists */ or "
       "certificate 1[field.1.2.840.113635.100.6.2.6] /* exists */ and "
       "certificate leaf[field.1.2.840.113635.100.6.1.13] /* exists */ and "
       "certificate leaf[subject.OU] = \"2BUA8C4S2C\")"},
      {"com.spotify.client",
       "identifier \"com.spotify.client\" and anchor apple generic and "
       "certificate 1[field.1.2.840.113635.100.6.2.6] /* exists */ and "
       "certificate leaf[field.1.2.840.113635.100.6.1.13] /* exists */ and "
       "certificate leaf[subject.OU] = \"2FNC3A47ZF\""},
      {"com.adobe.Install", adobe},
      {"com.adobe.illustrator", adobe},
      {"com.google.Chrome", chrome},
  };
  int seen = 0;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const std::string client = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    const std::string bytes(static_cast<const char*>(sqlite3_column_blob(statement, 1)),
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, 1)));
    SCOPED_TRACE(client);
    ++seen;
    std::optional<CompiledRequirement> parsed = parseRequirement(bytes);
    ASSERT_TRUE(parsed);
    std::optional<std::string> text = renderRequirement(*parsed);
    ASSERT_TRUE(text);
    ASSERT_TRUE(expected.count(client));
    EXPECT_EQ(*text, expected.at(client));
    // Apple's own and Chrome's (pinned to a leaf certificate hash) name no generic anchor.
    const bool developerId = !client.starts_with("com.apple.") && client != "com.google.Chrome";
    EXPECT_EQ(requirementKind(*text), developerId ? "developer-id" : "other");
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  EXPECT_EQ(seen, 9);
}

TEST(CodeRequirementTest, HeaderDecidesWhetherARequirementIsMade) {
  const std::string good = blob(op(1));
  std::string wrongMagic = good;
  wrongMagic[3] = '\x01';  // 0xfade0c01, a requirement set
  std::string longer = good;
  longer += '\0';
  std::string shorterLength = good;
  shorterLength[7] = 15;
  static const struct {
    const char* name;
    std::string bytes;
    bool made;
  } kCases[] = {
      {"empty", "", false},
      {"eleven bytes", good.substr(0, 11), false},
      {"header only, length 12", Expr().w(kRequirementMagic).w(12).w(1).bytes, true},
      {"one requirement", good, true},
      {"requirement set magic", wrongMagic, false},
      {"a byte more than the length says", longer, false},
      {"length field short of the bytes", shorterLength, false},
      {"kind 2 still has a good header", blob(op(1), 2), true},
      {"text, not a blob", "identifier \"com.apple.Terminal\"", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parseRequirement(c.bytes).has_value(), c.made);
  }
}

TEST(CodeRequirementTest, RendersEachOperator) {
  const Expr cdhash = Expr().w(8).d(std::string(20, '\x01'));
  const Expr matchEq = Expr().w(1).d("Apple");
  static const struct {
    const char* name;
    Expr expression;
    const char* text;
  } kCases[] = {
      {"never", op(0), "never"},
      {"always", op(1), "always"},
      {"identifier", ident("com.example.app"), "identifier \"com.example.app\""},
      {"anchor apple", op(3), "anchor apple"},
      {"anchor hash root", Expr().w(4).w(0xffffffff).d(std::string(20, '\xab')),
       "certificate root = H\"abababababababababababababababababababab\""},
      {"legacy info value", Expr().w(5).d("CFBundleVersion").d("1.0"),
       "info[CFBundleVersion] = \"1.0\""},
      {"cdhash", cdhash, "cdhash H\"0101010101010101010101010101010101010101\""},
      {"two cdhashes", any(cdhash, cdhash),
       "cdhash H\"0101010101010101010101010101010101010101\" or "
       "cdhash H\"0101010101010101010101010101010101010101\""},
      {"not of a term", Expr().w(9).e(op(3)), "! anchor apple"},
      {"not of a conjunction", Expr().w(9).e(all(op(1), op(3))), "! (always and anchor apple)"},
      {"not of a not", Expr().w(9).e(Expr().w(9).e(op(1))), "! (! always)"},
      {"info field", Expr().w(10).d("CFBundleName").e(matchEq), "info[CFBundleName] = Apple"},
      {"certificate field", Expr().w(11).w(2).d("subject.CN").e(Expr().w(2).d("Dev ID")),
       "certificate 2[subject.CN] ~ \"Dev ID\""},
      {"certificate trusted", Expr().w(12).w(1), "certificate 1 trusted"},
      {"anchor trusted", op(13), "anchor trusted"},
      {"certificate extension", Expr().w(14).w(1).d(kOidExt).w(0),
       "certificate 1[field.1.2.840.113635.100.6.2.6] /* exists */"},
      {"anchor apple generic", op(15), "anchor apple generic"},
      {"entitlement", Expr().w(16).d("com.apple.security.app-sandbox").w(14),
       "entitlement[\"com.apple.security.app-sandbox\"] /* absent */"},
      {"certificate policy", Expr().w(17).w(0).d(kOidExt).w(0),
       "certificate leaf[policy.1.2.840.113635.100.6.2.6] /* exists */"},
      {"named anchor", Expr().w(18).d("beta"), "anchor apple beta"},
      {"named code", Expr().w(19).d("lib"), "(lib)"},
      {"platform", Expr().w(20).w(1), "platform = 1"},
      {"notarized", op(21), "notarized"},
      {"certificate date", Expr().w(22).w(0).d(kOidExt).w(11).w(0).w(86400),
       "certificate leaf[timestamp.1.2.840.113635.100.6.2.6] > 86400"},
      {"legacy", op(23), "legacy"},
      {"or inside and", all(any(op(0), op(1)), op(3)), "(never or always) and anchor apple"},
      {"and inside or", any(all(op(0), op(1)), op(3)), "never and always or anchor apple"},
      {"left-nested and", all(all(op(0), op(1)), op(3)), "never and always and anchor apple"},
      {"right-nested and", all(op(0), all(op(1), op(3))), "never and always and anchor apple"},
      {"skippable unknown operator", all(Expr().w(0x80000063).d("future"), op(1)), " and always"},
      {"unknown operator with the skip flag", Expr().w(0x40000063).d(""), ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(render(blob(c.expression)), std::optional<std::string>(c.text));
  }
}

TEST(CodeRequirementTest, WritesValuesBareOnlyWhenTheyArePlainWords) {
  static const struct {
    const char* value;
    const char* text;
  } kCases[] = {
      {"H7V7XYVQ7D", "info[k] = H7V7XYVQ7D"},
      {"6N38VWS5BX", "info[k] = \"6N38VWS5BX\""},
      {"anchor", "info[k] = \"anchor\""},
      {"plugin", "info[k] = \"plugin\""},
      {"Anchor", "info[k] = Anchor"},
      {"", "info[k] = \"\""},
      {"a b", "info[k] = \"a b\""},
      {"say \"hi\"\\", "info[k] = \"say \\\"hi\\\"\\\\\""},
      {"caf\xc3\xa9", "info[k] = \"caf\xc3\xa9\""},
      {"\x01\xff", "info[k] = H\"01ff\""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(render(blob(Expr().w(5).d("k").d(c.value))), std::optional<std::string>(c.text));
  }
}

TEST(CodeRequirementTest, MatchOperators) {
  static const struct {
    std::uint32_t match;
    const char* text;
  } kCases[] = {
      {0, "info[k] /* exists */"}, {1, "info[k] = v"},  {2, "info[k] ~ v"},
      {3, "info[k] = v*"},         {4, "info[k] = *v"}, {5, "info[k] < v"},
      {6, "info[k] > v"},          {7, "info[k] <= v"}, {8, "info[k] >= v"},
      {14, "info[k] /* absent */"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.match);
    Expr e = Expr().w(10).d("k").w(c.match);
    if (c.match >= 1 && c.match <= 8) e.d("v");
    EXPECT_EQ(render(blob(e)), std::optional<std::string>(c.text));
  }
}

TEST(CodeRequirementTest, ExpressionsThatCannotBeRendered) {
  Expr deep;
  for (int i = 0; i < 10000; ++i) deep.w(9);
  deep.w(1);
  const std::string lyingLength = blob(Expr().w(2).w(0x7fffffff));
  static const struct {
    const char* name;
    std::string bytes;
  } kCases[] = {
      {"no expression", Expr().w(kRequirementMagic).w(12).w(1).bytes},
      {"DER kind", blob(op(1), 2)},
      {"unknown kind", blob(op(1), 7)},
      {"unknown operator without skip flag", blob(Expr().w(99).d("x"))},
      {"bytes left over", blob(Expr().w(1).w(1))},
      {"and missing its second operand", blob(Expr().w(6).w(1))},
      {"data length past the end", lyingLength},
      {"unpadded data at the end", blob(Expr().w(2).w(1)) + "x"},
      {"unknown match operator", blob(Expr().w(10).d("k").w(15))},
      {"date match without its seconds", blob(Expr().w(10).d("k").w(9).w(0))},
      {"empty OID", blob(Expr().w(14).w(1).d("").w(0))},
      {"OID ending inside an arc", blob(Expr().w(14).w(1).d("\x2a\x86").w(0))},
      {"nesting beyond any real requirement", blob(deep)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string bytes = c.bytes;
    // Keep the header's length honest so that only the expression is at fault.
    if (bytes.size() >= 8) {
      const auto n = static_cast<std::uint32_t>(bytes.size());
      for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>((n >> (24 - 8 * i)) & 0xff);
    }
    std::optional<CompiledRequirement> parsed = parseRequirement(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(renderRequirement(*parsed));
  }
}

// A blob of `levels` operators nested to the left around one identifier, "or" and "and" in
// turn from the inside, each with "always" as its right operand; and the text it renders to.
// Both are built in one pass, since building them level by level would copy the identifier at
// every level.
struct Nested {
  std::string bytes;
  std::string text;
};

Nested nestedAroundIdentifier(int levels, const std::string& id) {
  Expr e;
  for (int level = levels - 1; level >= 0; --level) e.w(level % 2 == 0 ? 7 : 6);
  e.e(ident(id));
  for (int level = 0; level < levels; ++level) e.w(1);
  std::string text(static_cast<std::size_t>(levels / 2), '(');  // each "and" wraps the "or" inside
  text += "identifier " + id;
  for (int level = 0; level < levels; ++level) text += level % 2 == 0 ? " or always" : ") and always";
  return {blob(e), text};
}

TEST(CodeRequirementTest, AHugeIdentifierAtTheDeepestNestingRendersWhole) {
  const Nested nested = nestedAroundIdentifier(256, std::string(10 * 1024 * 1024, 'x'));
  const std::optional<std::string> text = render(nested.bytes);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->size(), nested.text.size());
  EXPECT_TRUE(*text == nested.text);  // not EXPECT_EQ: a mismatch would print 10 MB
  EXPECT_EQ(text->substr(0, 140), nested.text.substr(0, 140));
}

TEST(CodeRequirementTest, KindFromText) {
  static const struct {
    const char* text;
    const char* kind;
  } kCases[] = {
      {"cdhash H\"00\"", "cdhash"},
      {"cdhash H\"00\" or anchor apple generic", "cdhash"},
      {"identifier \"a\" and anchor apple generic", "developer-id"},
      {"identifier \"a\" and anchor apple", "other"},
      {" cdhash H\"00\"", "other"},
      {"CDHASH", "other"},
      {"anchor Apple generic", "other"},
      {"", "other"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(requirementKind(c.text), c.kind);
  }
}

}  // namespace
}  // namespace ozmi::permission
