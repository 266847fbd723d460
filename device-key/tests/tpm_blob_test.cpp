#include "tpm_blob.h"

#include <gtest/gtest.h>

#include <cstring>

#include "foreign_keys.h"

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

// The framing is sound in every row; only the public area differs from what "create" makes.
TEST(DeviceKeyTpmBlob, AcceptsOnlyThePublicAreaOfItsOwnKeys) {
  for (const auto& key : testing::kForeignKeys) {
    SCOPED_TRACE(key.what);
    TpmKeyParts parts = signingKeyParts();
    key.change(parts.publicPart.publicArea);
    EXPECT_EQ(errorOf(unpackTpmBlob(pack(parts))), key.error);
  }
}

// What the TPM fills in (the point) is the one part of the public area that is not checked.
TEST(DeviceKeyTpmBlob, AnyPointIsAccepted) {
  for (const UINT16 size : {0, 1, 32}) {
    SCOPED_TRACE(size);
    TpmKeyParts parts = signingKeyParts();
    parts.publicPart.publicArea.unique.ecc.x.size = size;
    parts.publicPart.publicArea.unique.ecc.y.size = size;
    EXPECT_EQ(errorOf(unpackTpmBlob(pack(parts))), "(accepted)");
  }
}

// Blobs made so far depend on the storage key staying the TCG reference SRK of P-256.
TEST(DeviceKeyTpmBlob, StorageKeyIsTheReferenceEccSrk) {
  const TPMT_PUBLIC area = storageKeyTemplate().publicArea;
  EXPECT_EQ(area.type, TPM2_ALG_ECC);
  EXPECT_EQ(area.nameAlg, TPM2_ALG_SHA256);
  EXPECT_EQ(area.objectAttributes, 0x00030472u);
  EXPECT_EQ(area.authPolicy.size, 0);
  EXPECT_EQ(area.parameters.eccDetail.symmetric.algorithm, TPM2_ALG_AES);
  EXPECT_EQ(area.parameters.eccDetail.symmetric.keyBits.aes, 128);
  EXPECT_EQ(area.parameters.eccDetail.symmetric.mode.aes, TPM2_ALG_CFB);
  EXPECT_EQ(area.parameters.eccDetail.scheme.scheme, TPM2_ALG_NULL);
  EXPECT_EQ(area.parameters.eccDetail.curveID, TPM2_ECC_NIST_P256);
  EXPECT_EQ(area.parameters.eccDetail.kdf.scheme, TPM2_ALG_NULL);
  const Bytes zeros(32, 0);
  EXPECT_EQ(Bytes(area.unique.ecc.x.buffer, area.unique.ecc.x.buffer + area.unique.ecc.x.size), zeros);
  EXPECT_EQ(Bytes(area.unique.ecc.y.buffer, area.unique.ecc.y.buffer + area.unique.ecc.y.size), zeros);
}

}  // namespace
}  // namespace ozmi::devicekey
