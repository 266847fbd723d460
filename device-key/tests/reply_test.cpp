#include "reply.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace ozmi::devicekey {
namespace {

TEST(DeviceKeyReply, SuccessIsSortedCompactWithSchemaAndOk) {
  const Reply reply{{"y", std::string("b")}, {"x", std::string("a")}, {"blob", std::string("c")}};
  EXPECT_EQ(emit(reply), R"({"blob":"c","ok":true,"schema":1,"x":"a","y":"b"})" "\n");
}

TEST(DeviceKeyReply, FailureCarriesErrorOkFalseAndSchemaOnly) {
  EXPECT_EQ(emit(fail("sign failed: x")), R"({"error":"sign failed: x","ok":false,"schema":1})" "\n");
}

TEST(DeviceKeyReply, SchemaIsAlwaysOneAndAGivenOkStays) {
  const Reply reply{{"schema", std::int64_t{7}}, {"ok", false}, {"available", false}};
  EXPECT_EQ(emit(reply), R"({"available":false,"ok":false,"schema":1})" "\n");
}

TEST(DeviceKeyReply, SlashesAreEscapedAndReadBack) {
  const std::string line = emit({{"blob", std::string("ab/c+/=")}});
  EXPECT_NE(line.find(R"("ab\/c+\/=")"), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(line)["blob"], "ab/c+/=");
}

TEST(DeviceKeyReply, ControlCharactersAndUtf8InTexts) {
  const std::string line = emit(fail("create failed: a\"b\\c\nd\x01 \xC3\xA9"));
  EXPECT_EQ(line.find('\n'), line.size() - 1);
  EXPECT_EQ(nlohmann::json::parse(line)["error"], "create failed: a\"b\\c\nd\x01 \xC3\xA9");
}

TEST(DeviceKeyReply, TextThatIsNotUtf8GivesTheFixedLine) {
  EXPECT_EQ(emit(fail("unknown command \xFF")), "{\"schema\":1,\"ok\":false}\n");
}

}  // namespace
}  // namespace ozmi::devicekey
