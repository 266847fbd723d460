#include "device_key.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base64.h"
#include "fake_key_store.h"

namespace ozmi::devicekey {
namespace {

using testing::FakeKeyStore;
using nlohmann::json;

// Runs the tool on a fake store; counts how often standard input was read. No input stands for
// a read that failed.
struct Tool {
  FakeKeyStore store;
  int inputReads = 0;

  json operator()(std::vector<std::string> args, std::optional<std::string> input = std::string()) {
    const std::string line = runDeviceKey(
        args,
        [&] {
          ++inputReads;
          return input;
        },
        store);
    EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
    return json::parse(line);
  }
};

json failure(const std::string& message) {
  return {{"error", message}, {"ok", false}, {"schema", 1}};
}

PublicPoint pointWith(std::uint8_t xFirst, std::uint8_t yFirst) {
  PublicPoint point{};
  point.fill(0x11);
  point[0] = 0x04;
  point[1] = xFirst;
  point[33] = yFirst;
  return point;
}

const Bytes kBlob{0x01, 0xFB, 0xFF, 0x02};  // "Afv/Ag==" has a "/" in standard base64
const std::string kBlobLine = encodeBase64(kBlob);

TEST(DeviceKeyDispatch, CommandWordDecides) {
  static const struct {
    std::vector<std::string> args;
    json reply;
  } kCases[] = {
      {{}, failure("usage: ozmi-device-key available|create|sign|public")},
      {{""}, failure("unknown command ")},
      {{"Available"}, failure("unknown command Available")},
      {{"available "}, failure("unknown command available ")},
      {{"list", "available"}, failure("unknown command list")},
      {{"--help"}, failure("unknown command --help")},
      {{"available"}, {{"available", true}, {"ok", true}, {"schema", 1}}},
      {{"available", "more", "words"}, {{"available", true}, {"ok", true}, {"schema", 1}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    Tool run;
    EXPECT_EQ(run(c.args, "input that must not be read"), c.reply);
    EXPECT_EQ(run.inputReads, 0);
  }
}

TEST(DeviceKeyAvailable, UnusableStoreIsASuccess) {
  Tool run;
  run.store.isAvailable = false;
  EXPECT_EQ(run({"available"}), (json{{"available", false}, {"ok", true}, {"schema", 1}}));
}

TEST(DeviceKeyCreate, RepliesBlobAndCoordinates) {
  Tool run;
  const PublicPoint point = pointWith(0x00, 0x00);  // leading zero bytes stay in the text
  run.store.createResult = CreatedKey{kBlob, point};
  const json reply = run({"create"});
  EXPECT_EQ(reply, (json{{"blob", "Afv/Ag=="}, {"ok", true}, {"schema", 1},
                         {"x", b64url(std::span(point).subspan(1, 32))},
                         {"y", b64url(std::span(point).subspan(33, 32))}}));
  EXPECT_EQ(reply["blob"], kBlobLine);
  EXPECT_EQ(reply["x"].get<std::string>().size(), 43u);
  EXPECT_EQ(reply["x"].get<std::string>().substr(0, 2), "AB");
  EXPECT_EQ(run.inputReads, 0);
}

TEST(DeviceKeyCreate, FailuresInOrder) {
  Tool unavailable;
  unavailable.store.isAvailable = false;
  unavailable.store.accessControlProblem = "never asked";
  EXPECT_EQ(unavailable({"create"}), failure("secure enclave not available"));
  EXPECT_EQ(unavailable.store.accessControlCalls, 0);
  EXPECT_EQ(unavailable.store.createCalls, 0);

  Tool noAccess;
  noAccess.store.accessControlProblem = "no rule";
  EXPECT_EQ(noAccess({"create"}), failure("access control: no rule"));
  EXPECT_EQ(noAccess.store.createCalls, 0);

  Tool refused;
  refused.store.createResult = StoreError{"tpm:error(2.0): authorization failure"};
  EXPECT_EQ(refused({"create"}), failure("create failed: tpm:error(2.0): authorization failure"));
}

TEST(DeviceKeySign, InputFailuresInOrder) {
  static const struct {
    const char* what;
    std::string input;
    json reply;
    std::size_t loads;
  } kCases[] = {
      {"no input", "", failure("sign expects blob and data on stdin"), 0},
      {"one line", kBlobLine + "\n", failure("sign expects blob and data on stdin"), 0},
      {"CR LF lines are one line", kBlobLine + "\r\nAAAA\r\n", failure("sign expects blob and data on stdin"), 0},
      {"blob not base64, data fine", "Afv/Ag\nAAAA\n", failure("blob is not base64"), 0},
      {"blob not base64, data bad too", "-_8\n!!!\n", failure("blob is not base64"), 0},
      {"blob with a byte-order mark", "\xEF\xBB\xBF" + kBlobLine + "\nAAAA\n", failure("blob is not base64"), 0},
      {"blob rejected, data bad too", "AAAA\n!!!\n", failure("enclave rejected the key handle: not this store's key"), 1},
      {"data not base64", kBlobLine + "\nAAA\n", failure("data is not base64"), 1},
      {"data in base64url", kBlobLine + "\n-_8\n", failure("data is not base64"), 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Tool run;
    run.store.acceptedBlob = kBlob;
    EXPECT_EQ(run({"sign"}, c.input), c.reply);
    EXPECT_EQ(run.inputReads, 1);
    EXPECT_EQ(run.store.loadedBlobs.size(), c.loads);
    EXPECT_TRUE(run.store.signedMessages.empty());
  }
}

// Whatever had arrived before the error is not the host's input: signing it would answer "ok"
// over a message the host never sent.
TEST(DeviceKeyInput, UnreadableInputLoadsAndSignsNothing) {
  for (const char* command : {"sign", "public"}) {
    SCOPED_TRACE(command);
    Tool run;
    run.store.acceptedBlob = kBlob;
    EXPECT_EQ(run({command}, std::nullopt), failure("cannot read stdin"));
    EXPECT_EQ(run.inputReads, 1);
    EXPECT_TRUE(run.store.loadedBlobs.empty());
    EXPECT_TRUE(run.store.signedMessages.empty());
  }
}

TEST(DeviceKeySign, SignsTheDecodedMessage) {
  Signature signature{};
  signature.fill(0xFF);
  signature[0] = 0x00;
  signature[32] = 0x00;
  static const struct {
    const char* what;
    std::string data;
    Bytes message;
  } kCases[] = {
      {"message", "aGVsbG8=", {'h', 'e', 'l', 'l', 'o'}},
      {"blank line is the empty message", " \t ", {}},
      {"surrounding blanks trimmed", "\taGk= ", {'h', 'i'}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Tool run;
    run.store.acceptedBlob = kBlob;
    run.store.signResult = signature;
    const json reply = run({"sign"}, "\n" + kBlobLine + "\n\n" + c.data + "\nignored\n");
    EXPECT_EQ(reply, (json{{"ok", true}, {"schema", 1}, {"sig", b64url(signature)}}));
    EXPECT_EQ(reply["sig"].get<std::string>().size(), 86u);
    EXPECT_EQ(run.store.loadedBlobs, std::vector<Bytes>{kBlob});
    EXPECT_EQ(run.store.signedMessages, std::vector<Bytes>{c.message});
  }
}

TEST(DeviceKeySign, StoreFailureIsReported) {
  Tool run;
  run.store.acceptedBlob = kBlob;
  run.store.signResult = StoreError{"tcti:IO failure"};
  EXPECT_EQ(run({"sign"}, kBlobLine + "\nAAAA\n"), failure("sign failed: tcti:IO failure"));
}

TEST(DeviceKeyPublic, FailuresInOrder) {
  static const struct {
    const char* what;
    std::string input;
    json reply;
    std::vector<Bytes> loads;
  } kCases[] = {
      {"no input", "", failure("public expects blob on stdin"), {}},
      {"line feeds only", "\n\n", failure("public expects blob on stdin"), {}},
      {"not base64", "Afv/Ag\n", failure("blob is not base64"), {}},
      {"CR LF line", kBlobLine + "\r\n" + kBlobLine + "\r\n", failure("blob is not base64"), {}},
      {"blank line is the empty blob", "   \n", failure("enclave rejected the key handle: not this store's key"), {Bytes{}}},
      {"another blob", "AAAA\n", failure("enclave rejected the key handle: not this store's key"), {Bytes{0, 0, 0}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Tool run;
    run.store.acceptedBlob = kBlob;
    EXPECT_EQ(run({"public"}, c.input), c.reply);
    EXPECT_EQ(run.store.loadedBlobs, c.loads);
  }
}

TEST(DeviceKeyPublic, RepliesCoordinatesOfTheLoadedKey) {
  Tool run;
  run.store.acceptedBlob = kBlob;
  run.store.point = pointWith(0xFB, 0x00);
  const json reply = run({"public"}, kBlobLine + "\nignored line\n");
  const auto point = std::span<const std::uint8_t>(run.store.point);
  EXPECT_EQ(reply, (json{{"ok", true}, {"schema", 1}, {"x", b64url(point.subspan(1, 32))}, {"y", b64url(point.subspan(33, 32))}}));
  EXPECT_EQ(reply["x"].get<std::string>().substr(0, 2), "-x");
}

}  // namespace
}  // namespace ozmi::devicekey
