#include "tpm_blob.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ozmi::devicekey {
namespace {

TpmKeyParts signingKeyParts() {
  TpmKeyParts parts{};
  parts.publicPart = signingKeyTemplate();
  TPMT_PUBLIC& area = parts.publicPart.publicArea;
  area.unique.ecc.x.size = 32;
  area.unique.ecc.y.size = 32;
  std::memset(area.unique.ecc.x.buffer, 0xAA, 32);
  std::memset(area.unique.ecc.y.buffer, 0xBB, 32);
  parts.privatePart.size = 126;
  std::memset(parts.privatePart.buffer, 0xCC, 126);
  return parts;
}

Bytes pack(const TpmKeyParts& parts) {
  auto blob = packTpmBlob(parts);
  EXPECT_TRUE(std::holds_alternative<Bytes>(blob));
  return std::get<Bytes>(blob);
}

std::string errorOf(const Outcome<TpmKeyParts>& outcome) {
  const auto* error = std::get_if<StoreError>(&outcome);
  return error ? error->text : "(accepted)";
}

TEST(DeviceKeyTpmBlob, RoundTripsAndStartsWithItsVersion) {
  const Bytes blob = pack(signingKeyParts());
  ASSERT_FALSE(blob.empty());
  EXPECT_EQ(blob[0], kTpmBlobVersion);
  // 2-byte size of the public area, the area, 2-byte size of the private part, 126 bytes.
  EXPECT_EQ(blob.size(), 1 + 2 + std::size_t{blob[1]} * 256 + blob[2] + 2 + 126);

  const auto parts = unpackTpmBlob(blob);
  ASSERT_TRUE(std::holds_alternative<TpmKeyParts>(parts)) << errorOf(parts);
  EXPECT_EQ(pack(std::get<TpmKeyParts>(parts)), blob);
}

TEST(DeviceKeyTpmBlob, RejectsBrokenFraming) {
  const Bytes good = pack(signingKeyParts());
  Bytes version2 = good;
  version2[0] = 2;
  Bytes version0 = good;
  version0[0] = 0;
  Bytes trailing = good;
  trailing.push_back(0);
  Bytes publicTooLong = good;
  publicTooLong[1] = 0xFF;
  // y one byte long, and everything after it moved up, but the public size still the old one.
  Bytes publicSizeDisagrees(good.begin(), good.end() - 128 - 32);
  publicSizeDisagrees[publicSizeDisagrees.size() - 2] = 0;
  publicSizeDisagrees[publicSizeDisagrees.size() - 1] = 1;
  publicSizeDisagrees.push_back(0xBB);
  publicSizeDisagrees.insert(publicSizeDisagrees.end(), good.end() - 128, good.end());
  Bytes privateTooLong = good;
  privateTooLong[good.size() - 128] = 0xFF;
  const Bytes empty;

  const struct {
    const char* what;
    const Bytes& blob;
    const char* error;
  } kCases[] = {
      {"empty", empty, "empty key blob"},
      {"version 2", version2, "key blob version 2 is not supported"},
      {"version 0", version0, "key blob version 0 is not supported"},
      {"a byte too many", trailing, "malformed key blob: 1 bytes after its end"},
      {"public size past the end", publicTooLong, "malformed key blob: "},
      {"private size past the end", privateTooLong, "malformed key blob: "},
      {"public size and public area disagree", publicSizeDisagrees, "malformed key blob: public area size"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(errorOf(unpackTpmBlob(c.blob)).starts_with(c.error)) << errorOf(unpackTpmBlob(c.blob));
  }
}

TEST(DeviceKeyTpmBlob, EveryTruncationIsRejected) {
  const Bytes good = pack(signingKeyParts());
  for (std::size_t length = 0; length < good.size(); ++length) {
    const auto parts = unpackTpmBlob(std::span(good).first(length));
    EXPECT_TRUE(std::holds_alternative<StoreError>(parts)) << "accepted the first " << length << " bytes";
  }
}

TEST(DeviceKeyTpmBlob, HoldsOnlyP256SigningKeys) {
  static const struct {
    const char* what;
    void (*change)(TPMT_PUBLIC&);
  } kCases[] = {
      {"P-384", [](TPMT_PUBLIC& a) { a.parameters.eccDetail.curveID = TPM2_ECC_NIST_P384; }},
      {"not for signing", [](TPMT_PUBLIC& a) { a.objectAttributes &= ~TPMA_OBJECT_SIGN_ENCRYPT; }},
      {"restricted", [](TPMT_PUBLIC& a) { a.objectAttributes |= TPMA_OBJECT_RESTRICTED; }},
      {"keyed hash", [](TPMT_PUBLIC& a) {
         a = TPMT_PUBLIC{};
         a.type = TPM2_ALG_KEYEDHASH;
         a.nameAlg = TPM2_ALG_SHA256;
         a.objectAttributes = TPMA_OBJECT_SIGN_ENCRYPT;
         a.parameters.keyedHashDetail.scheme.scheme = TPM2_ALG_NULL;
       }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TpmKeyParts parts = signingKeyParts();
    c.change(parts.publicPart.publicArea);
    EXPECT_EQ(errorOf(unpackTpmBlob(pack(parts))), "key blob does not hold a P-256 signing key");
  }
}

}  // namespace
}  // namespace ozmi::devicekey
