// The macOS key store over a fake of the C functions it calls (secure_enclave_mac.h): what each
// platform answer becomes in the reply, and that every handle and buffer it is given is released.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base64.h"
#include "device_key.h"
#include "secure_enclave_mac.h"

namespace {

using ozmi::devicekey::Bytes;

// What the fake platform answers, and what it was asked. Reset by each test.
struct FakeEnclave {
  bool available = true;
  bool accessControlMade = true;
  std::optional<std::string> accessControlError;  // handed back when no object is made
  std::optional<std::string> thrown;              // thrown by create, load or sign
  Bytes blob{0x01, 0xFB, 0xFF, 0x02};
  Bytes point;      // as the platform gives it, any length
  Bytes signature;  // likewise

  int accessControlCalls = 0;
  void* madeAccessControl = nullptr;
  void* createdWith = nullptr;
  std::vector<Bytes> loadedBlobs;
  std::vector<Bytes> signedMessages;
  int liveHandles = 0;
};

FakeEnclave fake;

Bytes sequence(std::size_t size, std::uint8_t first) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

Bytes uncompressedPoint() {
  Bytes point = sequence(65, 0x00);
  point[0] = 0x04;
  return point;
}

// As the boundary promises: a malloc'd copy, at least one byte.
template <class Char>
void give(const Bytes& bytes, Char** out, std::size_t* length) {
  *out = static_cast<Char*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
  if (!bytes.empty()) std::memcpy(*out, bytes.data(), bytes.size());
  *length = bytes.size();
}

void give(const std::string& text, char** out, std::size_t* length) {
  give(Bytes(text.begin(), text.end()), out, length);
}

void put(const Bytes& bytes, std::uint8_t* out, std::size_t capacity, std::size_t* length) {
  std::memcpy(out, bytes.data(), std::min(bytes.size(), capacity));
  *length = bytes.size();
}

void* newHandle() {
  ++fake.liveHandles;
  return new int(0);
}

Bytes copied(const std::uint8_t* data, std::size_t length) {
  return length == 0 ? Bytes() : Bytes(data, data + length);
}

}  // namespace

extern "C" {

bool ozmi_se_is_available(void) {
  return fake.available;
}

ozmi_se_access_control* ozmi_se_access_control_create(char** error, size_t* error_length) {
  ++fake.accessControlCalls;
  if (fake.accessControlMade) {
    fake.madeAccessControl = newHandle();
    return static_cast<ozmi_se_access_control*>(fake.madeAccessControl);
  }
  if (fake.accessControlError) give(*fake.accessControlError, error, error_length);
  return nullptr;
}

bool ozmi_se_key_create(ozmi_se_access_control* access_control, uint8_t** blob, size_t* blob_length,
                        uint8_t point[ozmi_se_point_size], size_t* point_length, char** error,
                        size_t* error_length) {
  fake.createdWith = access_control;
  if (fake.thrown) {
    give(*fake.thrown, error, error_length);
    return false;
  }
  give(fake.blob, blob, blob_length);
  put(fake.point, point, ozmi_se_point_size, point_length);
  return true;
}

ozmi_se_key* ozmi_se_key_load(const uint8_t* blob, size_t blob_length, uint8_t point[ozmi_se_point_size],
                              size_t* point_length, char** error, size_t* error_length) {
  fake.loadedBlobs.push_back(copied(blob, blob_length));
  if (fake.thrown) {
    give(*fake.thrown, error, error_length);
    return nullptr;
  }
  put(fake.point, point, ozmi_se_point_size, point_length);
  return static_cast<ozmi_se_key*>(newHandle());
}

bool ozmi_se_key_sign(ozmi_se_key* key, const uint8_t* message, size_t message_length,
                      uint8_t signature[ozmi_se_signature_size], size_t* signature_length, char** error,
                      size_t* error_length) {
  EXPECT_NE(key, nullptr);
  fake.signedMessages.push_back(copied(message, message_length));
  if (fake.thrown) {
    give(*fake.thrown, error, error_length);
    return false;
  }
  put(fake.signature, signature, ozmi_se_signature_size, signature_length);
  return true;
}

void ozmi_se_release(void* handle) {
  --fake.liveHandles;
  delete static_cast<int*>(handle);
}

}  // extern "C"

namespace ozmi::devicekey {
namespace {

class SecureEnclaveStore : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = FakeEnclave{};
    fake.point = uncompressedPoint();
    fake.signature = sequence(64, 0xA0);
  }
  // Nothing the store was handed outlives the command; leaked buffers show under the sanitizers.
  void TearDown() override { EXPECT_EQ(fake.liveHandles, 0); }

  std::unique_ptr<KeyStore> store = makeKeyStore();
};

Reply coordinates(const Bytes& point) {
  const std::span<const std::uint8_t> bytes(point);
  return {{"x", b64url(bytes.subspan(1, 32))}, {"y", b64url(bytes.subspan(33, 32))}};
}

TEST_F(SecureEnclaveStore, CreateRepliesBlobAndCoordinatesOfAKeyUnderItsAccessRule) {
  Reply expected = coordinates(fake.point);
  expected["blob"] = "Afv/Ag==";
  EXPECT_EQ(createCommand(*store), expected);
  EXPECT_EQ(fake.accessControlCalls, 1);
  EXPECT_EQ(fake.createdWith, fake.madeAccessControl);
}

TEST_F(SecureEnclaveStore, CreateFailures) {
  static const struct {
    const char* what;
    bool available;
    bool accessControlMade;
    std::optional<std::string> accessControlError;
    std::optional<std::string> thrown;
    Bytes point;
    std::string error;
  } kCases[] = {
      {"no enclave", false, true, {}, {}, uncompressedPoint(), "secure enclave not available"},
      {"no access rule, no error object", true, false, {}, {}, uncompressedPoint(), "access control: nil"},
      {"no access rule, an error object", true, false, "Error Domain=NSOSStatusErrorDomain Code=-50 \"flags\"", {},
       uncompressedPoint(), "access control: Optional(Error Domain=NSOSStatusErrorDomain Code=-50 \"flags\")"},
      {"creation throws", true, true, {}, "CryptoKitError.underlyingCoreCryptoError(error: -7)", uncompressedPoint(),
       "create failed: CryptoKitError.underlyingCoreCryptoError(error: -7)"},
      {"short point", true, true, {}, {}, sequence(64, 0x04),
       "create failed: public key of 64 bytes, not a 65-byte point"},
      {"long point", true, true, {}, {}, sequence(66, 0x04),
       "create failed: public key of 66 bytes, not a 65-byte point"},
      {"compressed point", true, true, {}, {}, sequence(65, 0x02),
       "create failed: public key is not an uncompressed point"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    SetUp();
    fake.available = c.available;
    fake.accessControlMade = c.accessControlMade;
    fake.accessControlError = c.accessControlError;
    fake.thrown = c.thrown;
    fake.point = c.point;
    EXPECT_EQ(createCommand(*store), fail(c.error));
    EXPECT_EQ(fake.accessControlCalls, c.available ? 1 : 0);
    EXPECT_EQ(fake.liveHandles, 0);
  }
}

TEST_F(SecureEnclaveStore, CreateWithoutAnAccessRuleFails) {
  const auto created = store->create();
  ASSERT_TRUE(std::holds_alternative<StoreError>(created));
  EXPECT_EQ(std::get<StoreError>(created).text, "no access control prepared");
}

TEST_F(SecureEnclaveStore, PublicAndSignHandOverBlobAndMessage) {
  EXPECT_EQ(publicCommand("Afv/Ag==\n", *store), coordinates(fake.point));
  EXPECT_EQ(signCommand("Afv/Ag==\naGk=\n", *store), (Reply{{"sig", b64url(fake.signature)}}));
  EXPECT_EQ(fake.loadedBlobs, (std::vector<Bytes>{fake.blob, fake.blob}));
  EXPECT_EQ(fake.signedMessages, std::vector<Bytes>{Bytes({'h', 'i'})});

  // Blank lines are an empty blob and an empty message, handed over as such.
  signCommand(" \n \n", *store);
  EXPECT_EQ(fake.loadedBlobs.back(), Bytes());
  EXPECT_EQ(fake.signedMessages.back(), Bytes());
}

TEST_F(SecureEnclaveStore, LoadAndSignFailures) {
  static const struct {
    const char* what;
    std::string command;
    std::optional<std::string> thrown;
    Bytes point;
    Bytes signature;
    std::string error;
  } kCases[] = {
      {"public: rebuilding throws", "public", "CryptoKitError.incorrectParameterSize", uncompressedPoint(), {},
       "enclave rejected the key handle: CryptoKitError.incorrectParameterSize"},
      {"public: short point", "public", {}, sequence(33, 0x04), {},
       "enclave rejected the key handle: public key of 33 bytes, not a 65-byte point"},
      {"sign: rebuilding throws", "sign", "CryptoKitError.incorrectParameterSize", uncompressedPoint(), {},
       "enclave rejected the key handle: CryptoKitError.incorrectParameterSize"},
      {"sign: compressed point", "sign", {}, sequence(65, 0x03), {},
       "enclave rejected the key handle: public key is not an uncompressed point"},
      {"sign: short signature", "sign", {}, uncompressedPoint(), sequence(63, 0x00),
       "sign failed: signature of 63 bytes, not 64"},
      {"sign: DER-sized signature", "sign", {}, uncompressedPoint(), sequence(72, 0x30),
       "sign failed: signature of 72 bytes, not 64"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    SetUp();
    fake.thrown = c.thrown;
    fake.point = c.point;
    if (!c.signature.empty()) fake.signature = c.signature;
    const Reply reply = c.command == "public" ? publicCommand("Afv/Ag==\n", *store)
                                              : signCommand("Afv/Ag==\nAAAA\n", *store);
    EXPECT_EQ(reply, fail(c.error));
    EXPECT_EQ(fake.liveHandles, 0);
  }
}

TEST_F(SecureEnclaveStore, SigningThrows) {
  auto loaded = store->load(fake.blob);
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<LoadedKey>>(loaded));
  fake.thrown = "CryptoKitError.underlyingCoreCryptoError(error: -3)";
  const auto signature = std::get<std::unique_ptr<LoadedKey>>(loaded)->sign(Bytes{1, 2, 3});
  ASSERT_TRUE(std::holds_alternative<StoreError>(signature));
  EXPECT_EQ(std::get<StoreError>(signature).text, *fake.thrown);
  EXPECT_EQ(fake.liveHandles, 1);  // the key lives as long as its LoadedKey
}

}  // namespace
}  // namespace ozmi::devicekey
