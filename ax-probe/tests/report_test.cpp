#include "report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace ozmi::probe {
namespace {

ReportValue text(std::string s) { return ReportValue{std::move(s)}; }
ReportValue absent() { return optionalValue(std::nullopt); }
ReportValue present(ReportValue v) { return optionalValue(std::move(v)); }

// A compact rendering of a report value, to compare shapes in one line.
std::string show(const ReportValue& v) {
  return std::visit(
      [](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::string>) return "'" + x + "'";
        else if constexpr (std::is_same_v<T, std::int64_t>) return std::to_string(x);
        else if constexpr (std::is_same_v<T, ReportValue::Null>) return "null";
        else if constexpr (std::is_same_v<T, ReportValue::Optional>) return x.wrapped ? "some(" + show(*x.wrapped) + ")" : "none";
        else if constexpr (std::is_same_v<T, ReportValue::Map>) {
          std::string out = "{";
          for (const auto& m : x) out += m.key + ":" + show(m.value) + ",";
          return out + "}";
        } else {
          std::string out = "[";
          for (const auto& e : x) out += show(e) + ",";
          return out + "]";
        }
      },
      v.data);
}

TEST(DeepDenilTest, EveryAbsentBecomesNullAtAnyDepth) {
  const ReportValue input{ReportValue::Map{
      {"a", absent()},
      {"b", present(present(text("x")))},
      {"c", present(absent())},
      {"d", ReportValue{ReportValue::Array{absent(), present(ReportValue{std::int64_t{2}}), ReportValue{ReportValue::Null{}}}}},
      {"e", present(ReportValue{ReportValue::Map{{"f", present(ReportValue{ReportValue::Array{absent()}})}}})},
      {"g", ReportValue{ReportValue::Map{}}},
  }};
  EXPECT_EQ(show(deepDenil(input)), "{a:null,b:'x',c:null,d:[null,2,null,],e:{f:[null,],},g:{},}");
  EXPECT_EQ(show(deepDenil(text("plain"))), "'plain'");
  EXPECT_EQ(show(deepDenil(absent())), "null");
}

TEST(EmitTest, NoPanelIsTheFixedLine) {
  EXPECT_EQ(emit(std::nullopt), "{\"schema\":1,\"panel\":null}\n");
  EXPECT_EQ(std::string(kNullPanelLine), "{\"schema\":1,\"panel\":null}\n");
}

TEST(EmitTest, FullPanelLine) {
  const FoundPanel panel("open", "Editor", std::nullopt, std::nullopt, "/tmp/in",
                         {FoundFile("a.txt", "/tmp/in/a.txt"), FoundFile("a.txt", std::nullopt)});
  EXPECT_EQ(emit(panel),
            "{\"schema\":1,\"panel\":{\"kind\":\"open\",\"presentingApp\":\"Editor\",\"presentingBundleId\":null,"
            "\"title\":null,\"dir\":\"\\/tmp\\/in\",\"files\":[{\"name\":\"a.txt\",\"path\":\"\\/tmp\\/in\\/a.txt\"},"
            "{\"name\":\"a.txt\",\"path\":null}]}}\n");
}

TEST(EmitTest, EmptyFilesAndAllAbsentKeepEveryKey) {
  const std::string line = emit(FoundPanel("unknown", std::nullopt, std::nullopt, std::nullopt, std::nullopt, {}));
  ASSERT_EQ(line.back(), '\n');
  const auto json = nlohmann::json::parse(line);
  EXPECT_EQ(json.size(), 2u);
  EXPECT_EQ(json["schema"], 1);
  const auto& p = json["panel"];
  EXPECT_EQ(p.size(), 6u);
  EXPECT_EQ(p["kind"], "unknown");
  for (const char* key : {"presentingApp", "presentingBundleId", "title", "dir"}) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(p.contains(key));
    EXPECT_TRUE(p[key].is_null());
  }
  EXPECT_NE(line.find("\"files\":[]"), std::string::npos);
}

TEST(EmitTest, TextIsEscapedOrWrittenAsIs) {
  static constexpr struct {
    const char* title;
    const char* written;  // as it stands between the quotes
  } kCases[] = {
      {"say \"hi\"", "say \\\"hi\\\""},
      {"back\\slash", "back\\\\slash"},
      {"two\nlines\r", "two\\nlines\\r"},
      {"tab\there", "tab\\there"},
      {"bell\x07", "bell\\u0007"},
      {"a/b", "a\\/b"},
      {"\xc3\x96" "ffnen \xe6\x96\x87\xe4\xbb\xb6", "\xc3\x96" "ffnen \xe6\x96\x87\xe4\xbb\xb6"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.title);
    const std::string line = emit(FoundPanel("save", std::nullopt, std::nullopt, c.title, std::nullopt, {}));
    EXPECT_NE(line.find(std::string("\"title\":\"") + c.written + "\""), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(nlohmann::json::parse(line)["panel"]["title"], c.title);
  }
}

TEST(EmitTest, TextThatIsNotUtf8GivesTheFixedLine) {
  static const std::string kBad[] = {"\xff", "a\xc3", "\xed\xa0\x80", "\xc0\xaf"};
  for (const std::string& bad : kBad) {
    SCOPED_TRACE(testing::PrintToString(bad));
    EXPECT_EQ(emit(FoundPanel("open", bad, std::nullopt, std::nullopt, std::nullopt, {})), kNullPanelLine);
    EXPECT_EQ(emit(FoundPanel("open", std::nullopt, std::nullopt, std::nullopt, std::nullopt, {FoundFile(bad, "/x")})),
              kNullPanelLine);
  }
}

}  // namespace
}  // namespace ozmi::probe
