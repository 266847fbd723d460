// The tool end to end against a software TPM (swtpm) that the test fixture starts on the port
// of the build's TCTI. Signatures are checked with OpenSSL, an implementation of its own.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <tss2/tss2_esys.h>
#include <tss2/tss2_mu.h>
#include <tss2/tss2_rc.h>
#include <tss2/tss2_tctildr.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <variant>

#include "base64.h"
#include "foreign_keys.h"
#include "program_output.h"
#include "tpm_blob.h"

namespace ozmi::devicekey::testing {
namespace {

using nlohmann::json;

std::string field(const json& reply, const char* key) {
  return reply.contains(key) && reply[key].is_string() ? reply[key].get<std::string>() : "";
}

Bytes fromB64url(std::string text) {
  for (auto& c : text) c = c == '-' ? '+' : c == '_' ? '/' : c;
  while (text.size() % 4 != 0) text += '=';
  return decodeBase64(text).value_or(Bytes{});
}

// ECDSA P-256 with SHA-256 over `message`, r||s checked under the point 04||x||y.
bool verifies(const json& key, const Bytes& message, const std::string& sig) {
  Bytes point{0x04};
  const Bytes x = fromB64url(field(key, "x")), y = fromB64url(field(key, "y")), rs = fromB64url(sig);
  if (x.size() != 32 || y.size() != 32 || rs.size() != 64) return false;
  point.insert(point.end(), x.begin(), x.end());
  point.insert(point.end(), y.begin(), y.end());

  std::unique_ptr<OSSL_PARAM_BLD, decltype(&OSSL_PARAM_BLD_free)> build(OSSL_PARAM_BLD_new(), OSSL_PARAM_BLD_free);
  OSSL_PARAM_BLD_push_utf8_string(build.get(), OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0);
  OSSL_PARAM_BLD_push_octet_string(build.get(), OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size());
  std::unique_ptr<OSSL_PARAM, decltype(&OSSL_PARAM_free)> params(OSSL_PARAM_BLD_to_param(build.get()), OSSL_PARAM_free);
  std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> fromData(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr),
                                                                       EVP_PKEY_CTX_free);
  EVP_PKEY* rawKey = nullptr;
  if (EVP_PKEY_fromdata_init(fromData.get()) != 1 ||
      EVP_PKEY_fromdata(fromData.get(), &rawKey, EVP_PKEY_PUBLIC_KEY, params.get()) != 1) {
    return false;
  }
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey(rawKey, EVP_PKEY_free);

  std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> ecdsa(ECDSA_SIG_new(), ECDSA_SIG_free);
  ECDSA_SIG_set0(ecdsa.get(), BN_bin2bn(rs.data(), 32, nullptr), BN_bin2bn(rs.data() + 32, 32, nullptr));
  unsigned char* der = nullptr;
  const int derSize = i2d_ECDSA_SIG(ecdsa.get(), &der);
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> verify(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  const bool good = derSize > 0 &&
                    EVP_DigestVerifyInit(verify.get(), nullptr, EVP_sha256(), nullptr, pkey.get()) == 1 &&
                    EVP_DigestVerify(verify.get(), der, derSize, message.data(), message.size()) == 1;
  OPENSSL_free(der);
  return good;
}

std::string lines(std::initializer_list<std::string> entries) {
  std::string text;
  for (const auto& entry : entries) text += entry + "\n";
  return text;
}

// Starts and stops software TPMs with the fixture's own script.
bool swtpm(const std::string& action, const std::string& stateDir) {
  const std::string command = std::string("bash '") + OZMI_SWTPM_SCRIPT + "' " + action + " '" + stateDir + "' " +
                              OZMI_SWTPM_PORT + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// Stops the fixture's TPM for one test and brings the same TPM back afterwards, whatever happens.
class WithoutFixtureTpm {
 public:
  WithoutFixtureTpm() { stopped_ = swtpm("stop", OZMI_SWTPM_STATE); }
  ~WithoutFixtureTpm() { EXPECT_TRUE(swtpm("start", OZMI_SWTPM_STATE)); }
  bool stopped() const { return stopped_; }

 private:
  bool stopped_;
};

// What the TPM holds between runs must be nothing: every run flushes what it loaded.
void expectNoTransientObjects() {
  const auto result = ozmi::testing::runProgram(
      "/usr/bin/tpm2_getcap",
      runOptions({"-T", std::string("swtpm:host=127.0.0.1,port=") + OZMI_SWTPM_PORT, "handles-transient"}));
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.out, "");
}


// The fixture's TPM through the ESAPI, making keys under the tool's storage key that the tool
// itself never makes.
class KeyMaker {
 public:
  KeyMaker() {
    // The refusals the table expects are no news; the TSS would log each to standard error.
    setenv("TSS2_LOG", "all+none", 1);
    const std::string conf = std::string("host=127.0.0.1,port=") + OZMI_SWTPM_PORT;
    const TPM2B_SENSITIVE_CREATE sensitive{};
    const TPM2B_PUBLIC storage = storageKeyTemplate();
    const TPM2B_DATA outsideInfo{};
    const TPML_PCR_SELECTION creationPcr{};
    ready_ = Tss2_TctiLdr_Initialize_Ex("libtss2-tcti-swtpm.so.0", conf.c_str(), &tcti_) == TSS2_RC_SUCCESS &&
             Esys_Initialize(&esys_, tcti_, nullptr) == TSS2_RC_SUCCESS &&
             Esys_CreatePrimary(esys_, ESYS_TR_RH_OWNER, ESYS_TR_PASSWORD, ESYS_TR_NONE, ESYS_TR_NONE, &sensitive,
                                &storage, &outsideInfo, &creationPcr, &parent_, nullptr, nullptr, nullptr,
                                nullptr) == TSS2_RC_SUCCESS;
  }
  ~KeyMaker() {
    unsetenv("TSS2_LOG");
    if (parent_ != ESYS_TR_NONE) Esys_FlushContext(esys_, parent_);
    if (esys_ != nullptr) Esys_Finalize(&esys_);
    if (tcti_ != nullptr) Tss2_TctiLdr_Finalize(&tcti_);
  }
  KeyMaker(const KeyMaker&) = delete;
  KeyMaker& operator=(const KeyMaker&) = delete;

  bool ready() const { return ready_; }

  // The blob of a key that the TPM creates from `keyTemplate`, or the TPM's refusal.
  std::variant<std::string, TSS2_RC> create(const TPM2B_PUBLIC& keyTemplate) {
    const TPM2B_SENSITIVE_CREATE sensitive{};
    const TPM2B_DATA outsideInfo{};
    const TPML_PCR_SELECTION creationPcr{};
    TPM2B_PRIVATE* privatePart = nullptr;
    TPM2B_PUBLIC* publicPart = nullptr;
    const TSS2_RC rc = Esys_Create(esys_, parent_, ESYS_TR_PASSWORD, ESYS_TR_NONE, ESYS_TR_NONE, &sensitive,
                                   &keyTemplate, &outsideInfo, &creationPcr, &privatePart, &publicPart, nullptr,
                                   nullptr, nullptr);
    if (rc != TSS2_RC_SUCCESS) return rc;
    const std::string blob = blobOf(*publicPart, *privatePart);
    Esys_Free(privatePart);
    Esys_Free(publicPart);
    return blob;
  }

  // The blob of a P-256 key made by OpenSSL and imported as it is (no wrapping, which only a key
  // without encryptedDuplication allows); `keyTemplate` gives all but the point.
  std::variant<std::string, TSS2_RC> import(const TPM2B_PUBLIC& keyTemplate) {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    BIGNUM* d = nullptr;
    unsigned char point[65];
    std::size_t pointSize = 0;
    if (!key || EVP_PKEY_get_bn_param(key.get(), OSSL_PKEY_PARAM_PRIV_KEY, &d) != 1 ||
        EVP_PKEY_get_octet_string_param(key.get(), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &pointSize) != 1 ||
        pointSize != 65) {
      BN_free(d);
      return TSS2_RC(~0u);
    }
    TPM2B_PUBLIC objectPublic = keyTemplate;
    TPMS_ECC_POINT& unique = objectPublic.publicArea.unique.ecc;
    unique.x.size = unique.y.size = 32;
    std::memcpy(unique.x.buffer, point + 1, 32);
    std::memcpy(unique.y.buffer, point + 33, 32);
    TPM2B_SENSITIVE sensitive{};
    sensitive.sensitiveArea.sensitiveType = TPM2_ALG_ECC;
    sensitive.sensitiveArea.sensitive.ecc.size = 32;
    BN_bn2binpad(d, sensitive.sensitiveArea.sensitive.ecc.buffer, 32);
    BN_clear_free(d);
    TPM2B_PRIVATE duplicate{};
    std::size_t offset = 0;
    if (Tss2_MU_TPM2B_SENSITIVE_Marshal(&sensitive, duplicate.buffer, sizeof duplicate.buffer, &offset) !=
        TSS2_RC_SUCCESS) {
      return TSS2_RC(~0u);
    }
    duplicate.size = static_cast<UINT16>(offset);
    const TPM2B_DATA noEncryptionKey{};
    const TPM2B_ENCRYPTED_SECRET noSeed{};
    TPMT_SYM_DEF_OBJECT noInnerWrapper{};
    noInnerWrapper.algorithm = TPM2_ALG_NULL;
    TPM2B_PRIVATE* privatePart = nullptr;
    const TSS2_RC rc = Esys_Import(esys_, parent_, ESYS_TR_PASSWORD, ESYS_TR_NONE, ESYS_TR_NONE, &noEncryptionKey,
                                   &objectPublic, &duplicate, &noSeed, &noInnerWrapper, &privatePart);
    if (rc != TSS2_RC_SUCCESS) return rc;
    const std::string blob = blobOf(objectPublic, *privatePart);
    Esys_Free(privatePart);
    return blob;
  }

  // Whether the TPM itself loads the key of `blob`: then refusing it is the tool's own check.
  bool loads(const std::string& blob) {
    const auto parts = unpackForTest(blob);
    ESYS_TR handle = ESYS_TR_NONE;
    if (Esys_Load(esys_, parent_, ESYS_TR_PASSWORD, ESYS_TR_NONE, ESYS_TR_NONE, &parts.privatePart,
                  &parts.publicPart, &handle) != TSS2_RC_SUCCESS) {
      return false;
    }
    Esys_FlushContext(esys_, handle);
    return true;
  }

  // The parts of a blob without the tool's checks: the framing is one byte of version, then the
  // TPM's own marshalled public and private parts.
  static TpmKeyParts unpackForTest(const std::string& blob) {
    const Bytes bytes = decodeBase64(blob).value_or(Bytes{});
    TpmKeyParts parts{};
    std::size_t offset = 1;
    EXPECT_EQ(Tss2_MU_TPM2B_PUBLIC_Unmarshal(bytes.data(), bytes.size(), &offset, &parts.publicPart), TSS2_RC_SUCCESS);
    EXPECT_EQ(Tss2_MU_TPM2B_PRIVATE_Unmarshal(bytes.data(), bytes.size(), &offset, &parts.privatePart), TSS2_RC_SUCCESS);
    return parts;
  }

 private:
  static std::string blobOf(const TPM2B_PUBLIC& publicPart, const TPM2B_PRIVATE& privatePart) {
    const auto blob = packTpmBlob({publicPart, privatePart});
    return encodeBase64(std::get<Bytes>(blob));
  }

  TSS2_TCTI_CONTEXT* tcti_ = nullptr;
  ESYS_CONTEXT* esys_ = nullptr;
  ESYS_TR parent_ = ESYS_TR_NONE;
  bool ready_ = false;
};

TEST(DeviceKeyTpm, AvailableAndTwoCreatesGiveTwoKeys) {
  EXPECT_EQ(runTool({"available", "ignored"}), (json{{"available", true}, {"ok", true}, {"schema", 1}}));

  const json first = runTool({"create"});
  const json second = runTool({"create", "ignored"});
  for (const json& key : {first, second}) {
    ASSERT_EQ(key["ok"], true) << key;
    EXPECT_EQ(key.size(), 5u) << key;
    EXPECT_EQ(field(key, "x").size(), 43u);
    EXPECT_EQ(field(key, "y").size(), 43u);
    const std::string blob = field(key, "blob");
    EXPECT_EQ(blob.size() % 4, 0u);
    EXPECT_TRUE(decodeBase64(blob).has_value()) << blob;
  }
  EXPECT_NE(first["blob"], second["blob"]);
  EXPECT_NE(first["x"], second["x"]);
  EXPECT_NE(first["y"], second["y"]);
  expectNoTransientObjects();
}

TEST(DeviceKeyTpm, PublicGivesBackTheCoordinatesOfCreate) {
  const json key = runTool({"create"});
  const json reply = runTool({"public"}, lines({field(key, "blob"), "ignored"}));
  EXPECT_EQ(reply, (json{{"ok", true}, {"schema", 1}, {"x", key["x"]}, {"y", key["y"]}}));
  expectNoTransientObjects();
}

TEST(DeviceKeyTpm, SignaturesVerifyWithOpenSsl) {
  const json key = runTool({"create"});
  const std::string blob = field(key, "blob");
  Bytes large(1 << 20);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
  const struct {
    const char* what;
    std::string input;
    Bytes message;
  } kCases[] = {
      {"short message", lines({blob, "aGVsbG8="}), {'h', 'e', 'l', 'l', 'o'}},
      {"blank data line signs the empty message", lines({blob, "  "}), {}},
      {"blanks and empty lines around", "\n\t" + blob + " \n\n" + "aGk=\t\nextra\n", {'h', 'i'}},
      {"a megabyte, more than the TPM hashes in one command", lines({blob, encodeBase64(large)}), large},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const json reply = runTool({"sign"}, c.input);
    EXPECT_EQ(reply.size(), 3u) << reply;
    EXPECT_EQ(field(reply, "sig").size(), 86u);
    EXPECT_TRUE(verifies(key, c.message, field(reply, "sig")));
    EXPECT_FALSE(verifies(key, Bytes{'x'}, field(reply, "sig")));
  }
  expectNoTransientObjects();
}

// One of r and s starts with a zero byte in about one signature in 128; the TPM may send such a
// value short, and the reply must still hold all 64 bytes.
TEST(DeviceKeyTpm, LeadingZeroBytesStayInSignatures) {
  const json key = runTool({"create"});
  const std::string blob = field(key, "blob");
  bool sawLeadingZero = false;
  for (int i = 0; i < 3000 && !sawLeadingZero && !HasFailure(); ++i) {
    const Bytes message{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8)};
    const std::string sig = field(runTool({"sign"}, lines({blob, encodeBase64(message)})), "sig");
    ASSERT_EQ(sig.size(), 86u) << sig;
    const Bytes rs = fromB64url(sig);
    if (rs[0] == 0 || rs[32] == 0) {
      sawLeadingZero = true;
      EXPECT_TRUE(verifies(key, message, sig)) << sig;
    }
  }
  EXPECT_TRUE(sawLeadingZero);
}

// O_NONBLOCK on standard input, set by a host's event loop on the pipe it passes on, and the
// input arriving in two parts: the tool reads on to the end of file, so "public" finds its blob
// and "sign" signs the whole message, not the part that had arrived.
TEST(DeviceKeyTpm, NonBlockingInputIsReadToItsEnd) {
  const json key = runTool({"create"});
  const std::string blob = field(key, "blob");
  Bytes message(3000);
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<std::uint8_t>(i * 13);
  const std::string signInput = lines({blob, encodeBase64(message)});
  const struct {
    const char* what;
    const char* command;
    std::string input;
    std::size_t firstPart;
  } kCases[] = {
      {"public, nothing before the pause", "public", lines({blob}), 0},
      {"public, half the blob first", "public", lines({blob}), blob.size() / 2},
      {"sign, nothing before the pause", "sign", signInput, 0},
      // Cut at a group of four, so that the first part alone is a valid message line too.
      {"sign, half the message first", "sign", signInput, blob.size() + 1 + encodeBase64(message).size() / 8 * 4},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    auto options = runOptions({c.command}, c.input);
    options.stdinNonBlocking = true;
    options.stdinPauseAfter = c.firstPart;
    options.stdinPause = std::chrono::milliseconds(300);
    const json reply = replyOf(ozmi::testing::runProgram(OZMI_DEVICE_KEY, options));
    if (std::string(c.command) == "public") {
      EXPECT_EQ(reply, (json{{"ok", true}, {"schema", 1}, {"x", key["x"]}, {"y", key["y"]}}));
    } else {
      EXPECT_EQ(reply.size(), 3u) << reply;
      EXPECT_TRUE(verifies(key, message, field(reply, "sig"))) << reply;
    }
  }
  expectNoTransientObjects();
}

// The maker's storage key stays loaded while the tool runs, beside the tool's two objects, and is
// flushed when this returns.
void expectForeignKeysRejected() {
  KeyMaker maker;
  ASSERT_TRUE(maker.ready());
  // Made the tool's way by another program, a key is the tool's own.
  const auto own = maker.create(signingKeyTemplate());
  ASSERT_TRUE(std::holds_alternative<std::string>(own));
  const std::string ownBlob = std::get<std::string>(own);
  const json ownKey = runTool({"public"}, lines({ownBlob}));
  EXPECT_TRUE(verifies(ownKey, {'h', 'i'}, field(runTool({"sign"}, lines({ownBlob, "aGk="})), "sig")));

  for (const auto& foreign : kForeignKeys) {
    SCOPED_TRACE(foreign.what);
    TPM2B_PUBLIC keyTemplate = signingKeyTemplate();
    foreign.change(keyTemplate.publicArea);
    std::string blob;
    if (foreign.making == Making::kEdit) {
      // The TPM makes no such key; the tool's check must answer before the TPM is asked.
      EXPECT_TRUE(std::holds_alternative<TSS2_RC>(maker.create(keyTemplate)));
      TpmKeyParts parts = KeyMaker::unpackForTest(ownBlob);
      foreign.change(parts.publicPart.publicArea);
      blob = encodeBase64(std::get<Bytes>(packTpmBlob(parts)));
    } else {
      const auto made = foreign.making == Making::kImport ? maker.import(keyTemplate) : maker.create(keyTemplate);
      if (!std::holds_alternative<std::string>(made)) {
        ADD_FAILURE() << "the TPM refused to make it: " << Tss2_RC_Decode(std::get<TSS2_RC>(made));
        continue;
      }
      blob = std::get<std::string>(made);
      EXPECT_TRUE(maker.loads(blob));
    }
    for (const char* command : {"public", "sign"}) {
      SCOPED_TRACE(command);
      EXPECT_EQ(runTool({command}, lines({blob, "aGk="})),
                failure(std::string("enclave rejected the key handle: ") + foreign.error));
    }
  }
}

// Keys that the TPM makes and loads under the tool's storage key, but that "create" never makes:
// each is refused before it is used, with what is wrong with it.
TEST(DeviceKeyTpm, KeysThisToolDidNotMakeAreRejected) {
  expectForeignKeysRejected();
  expectNoTransientObjects();
}

TEST(DeviceKeyTpm, BrokenBlobsAreRejected) {
  const json key = runTool({"create"});
  const Bytes blob = decodeBase64(field(key, "blob")).value();
  const auto changed = [&](std::size_t at) {
    Bytes copy = blob;
    copy[at] ^= 0x01;
    return encodeBase64(copy);
  };
  const auto cut = [&](std::size_t size) { return encodeBase64(std::span(blob).first(size)); };
  const std::size_t publicSize = std::size_t{blob[1]} * 256 + blob[2];
  const std::size_t pointAt = 1 + 2 + publicSize - 32;  // the last byte of the public area is y's

  const struct {
    const char* what;
    std::string blob;
  } kCases[] = {
      {"empty blob from a blank line", "  "},
      {"three zero bytes", "AAAA"},
      {"wrong version", changed(0)},
      {"cut after its version", cut(1)},
      {"cut inside the public part", cut(1 + 2 + publicSize / 2)},
      {"cut inside the private part", cut(blob.size() - 10)},
      {"a byte more", encodeBase64([&] { Bytes b = blob; b.push_back(0); return b; }())},
      {"point altered", changed(pointAt)},
      {"attribute altered", changed(1 + 2 + 4 + 3)},
      {"wrapped private part altered", changed(blob.size() - 20)},
      {"integrity value altered", changed(blob.size() - 100)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    for (const char* command : {"public", "sign"}) {
      SCOPED_TRACE(command);
      const json reply = runTool({command}, lines({c.blob, "!not base64"}));
      EXPECT_EQ(reply.size(), 3u) << reply;
      EXPECT_TRUE(field(reply, "error").starts_with("enclave rejected the key handle: ")) << reply;
      EXPECT_GT(field(reply, "error").size(), std::string("enclave rejected the key handle: ").size());
    }
  }
  EXPECT_EQ(runTool({"sign"}, lines({field(key, "blob"), "AAA"})), failure("data is not base64"));
  expectNoTransientObjects();
}

TEST(DeviceKeyTpm, BlobOfAnotherTpmIsRejected) {
  const json key = runTool({"create"});
  const std::string input = lines({field(key, "blob"), "aGVsbG8="});
  const auto other = std::filesystem::temp_directory_path() / ("ozmi-other-tpm-" + std::to_string(getpid()));
  {
    WithoutFixtureTpm paused;
    ASSERT_TRUE(paused.stopped());
    ASSERT_TRUE(swtpm("start", other.string()));
    EXPECT_EQ(runTool({"available"}), (json{{"available", true}, {"ok", true}, {"schema", 1}}));
    for (const char* command : {"sign", "public"}) {
      SCOPED_TRACE(command);
      const json reply = runTool({command}, input);
      EXPECT_EQ(reply.size(), 3u) << reply;
      EXPECT_TRUE(field(reply, "error").starts_with("enclave rejected the key handle: tpm:")) << reply;
    }
    expectNoTransientObjects();
    EXPECT_TRUE(swtpm("stop", other.string()));
    std::filesystem::remove_all(other);
  }
  // Back on the TPM that made it, the same blob works again.
  EXPECT_TRUE(verifies(key, {'h', 'e', 'l', 'l', 'o'}, field(runTool({"sign"}, input), "sig")));
}

TEST(DeviceKeyTpm, NoTpmAnswering) {
  const json key = runTool({"create"});
  WithoutFixtureTpm paused;
  ASSERT_TRUE(paused.stopped());
  EXPECT_EQ(runTool({"available"}), (json{{"available", false}, {"ok", true}, {"schema", 1}}));
  EXPECT_EQ(runTool({"create"}), failure("secure enclave not available"));
  for (const char* command : {"sign", "public"}) {
    SCOPED_TRACE(command);
    const json reply = runTool({command}, lines({field(key, "blob"), "aGVsbG8="}));
    EXPECT_TRUE(field(reply, "error").starts_with("enclave rejected the key handle: tcti:")) << reply;
  }
}

// An owner hierarchy with a password: the storage key cannot be made, so the store is not
// available, and "sign" and "public" get the TPM's refusal.
TEST(DeviceKeyTpm, OwnerPasswordSetElsewhere) {
  const json key = runTool({"create"});
  const std::string tcti = std::string("swtpm:host=127.0.0.1,port=") + OZMI_SWTPM_PORT;
  const auto changeAuth = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"-T", tcti, "-c", "owner"});
    return ozmi::testing::runProgram("/usr/bin/tpm2_changeauth", runOptions(args)).exitStatus == 0;
  };
  ASSERT_TRUE(changeAuth({"owner-secret"}));
  const json available = runTool({"available"});
  const json created = runTool({"create"});
  const json signing = runTool({"sign"}, lines({field(key, "blob"), "aGVsbG8="}));
  const json reading = runTool({"public"}, lines({field(key, "blob")}));
  EXPECT_TRUE(changeAuth({"-p", "owner-secret", ""}));

  EXPECT_EQ(available, (json{{"available", false}, {"ok", true}, {"schema", 1}}));
  EXPECT_EQ(created, failure("secure enclave not available"));
  EXPECT_TRUE(field(signing, "error").starts_with("enclave rejected the key handle: tpm:")) << signing;
  EXPECT_TRUE(field(reading, "error").starts_with("enclave rejected the key handle: tpm:")) << reading;
  EXPECT_EQ(runTool({"available"}), (json{{"available", true}, {"ok", true}, {"schema", 1}}));
  expectNoTransientObjects();
}

// The TSS logs where TSS2_LOG and TSS2_LOGFILE say, and OpenSSL reads the file OPENSSL_CONF
// names; the tool must do neither, on success and on failure.
TEST(DeviceKeyTpm, ReadsNoEnvironment) {
  const auto dir = std::filesystem::temp_directory_path() / ("ozmi-env-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto logFile = dir / "tss.log";
  const auto config = dir / "openssl.cnf";
  {
    // A configuration that OpenSSL refuses to load.
    std::FILE* f = std::fopen(config.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("openssl_conf = broken\n[broken]\nproviders = nowhere\n", f);
    std::fclose(f);
  }
  setenv("TSS2_LOG", "all+trace", 1);
  setenv("TSS2_LOGFILE", logFile.c_str(), 1);
  setenv("OPENSSL_CONF", config.c_str(), 1);
  const json key = runTool({"create"});
  const json signature = runTool({"sign"}, lines({field(key, "blob"), "aGk="}));
  const json rejected = runTool({"public"}, lines({"AQAA"}));
  unsetenv("TSS2_LOG");
  unsetenv("TSS2_LOGFILE");
  unsetenv("OPENSSL_CONF");

  EXPECT_EQ(key["ok"], true) << key;
  EXPECT_TRUE(verifies(key, {'h', 'i'}, field(signature, "sig"))) << signature;
  EXPECT_TRUE(field(rejected, "error").starts_with("enclave rejected the key handle: ")) << rejected;
  EXPECT_FALSE(std::filesystem::exists(logFile));
  std::filesystem::remove_all(dir);
}

TEST(DeviceKeyTpm, ClosedStandardOutputFlushesAndExitsZero) {
  const std::string blob = field(runTool({"create"}), "blob");
  for (const auto& [command, input] : {std::pair<std::string, std::string>{"create", ""},
                                       {"sign", lines({blob, "AAAA"})}, {"public", lines({blob})}}) {
    SCOPED_TRACE(command);
    const auto result = ozmi::testing::runProgram(
        OZMI_DEVICE_KEY, runOptions({command}, input, true));
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.termSignal, 0);
    EXPECT_EQ(result.err, "");
  }
  expectNoTransientObjects();
}

}  // namespace
}  // namespace ozmi::devicekey::testing
