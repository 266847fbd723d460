#include "tpm_blob.h"

#include <tss2/tss2_mu.h>
#include <tss2/tss2_rc.h>

#include <cstdio>
#include <optional>
#include <string>

namespace ozmi::devicekey {

namespace {

// Each attribute of the signing-key template, and what a key without it would be.
constexpr struct {
  TPMA_OBJECT bit;
  bool set;
  const char* otherwise;
} kAttributeRules[] = {
    {TPMA_OBJECT_SENSITIVEDATAORIGIN, true, "key blob holds a key that was made outside the TPM"},
    {TPMA_OBJECT_FIXEDPARENT, true, "key blob holds a key that can be duplicated"},
    {TPMA_OBJECT_FIXEDTPM, true, "key blob holds a key that can leave the TPM"},
    {TPMA_OBJECT_ENCRYPTEDDUPLICATION, false, "key blob holds a key meant for duplication"},
    {TPMA_OBJECT_SIGN_ENCRYPT, true, "key blob holds a key that cannot sign"},
    {TPMA_OBJECT_DECRYPT, false, "key blob holds a key that can also decrypt"},
    {TPMA_OBJECT_RESTRICTED, false, "key blob holds a restricted key"},
    {TPMA_OBJECT_USERWITHAUTH, true, "key blob holds a key usable only through a policy"},
    {TPMA_OBJECT_ADMINWITHPOLICY, false, "key blob holds a key administered only through a policy"},
    {TPMA_OBJECT_NODA, true, "key blob holds a key whose failed uses count towards the TPM's lockout"},
};

std::string hex32(std::uint32_t value) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// Why `area` is not the public area of a key this store made; nothing when it is one.
std::optional<std::string> notOurs(const TPMT_PUBLIC& area) {
  const TPMT_PUBLIC expected = signingKeyTemplate().publicArea;
  // The parameters are read by type, so the type comes first.
  if (area.type != TPM2_ALG_ECC || area.parameters.eccDetail.curveID != TPM2_ECC_NIST_P256) {
    return "key blob does not hold a P-256 key";
  }
  if (area.nameAlg != expected.nameAlg) return "key blob holds a key named with another hash than SHA-256";
  for (const auto& rule : kAttributeRules) {
    if (((area.objectAttributes & rule.bit) != 0) != rule.set) return rule.otherwise;
  }
  if (area.objectAttributes != expected.objectAttributes) {
    return "key blob holds a key with attributes " + hex32(area.objectAttributes & ~expected.objectAttributes) +
           " that this store never sets";
  }
  if (area.authPolicy.size != 0) return "key blob holds a key with an authorization policy";
  const TPMS_ECC_PARMS& ecc = area.parameters.eccDetail;
  if (ecc.scheme.scheme != TPM2_ALG_ECDSA || ecc.scheme.details.ecdsa.hashAlg != TPM2_ALG_SHA256) {
    return "key blob holds a key for another scheme than ECDSA with SHA-256";
  }
  if (ecc.symmetric.algorithm != TPM2_ALG_NULL || ecc.kdf.scheme != TPM2_ALG_NULL) {
    return "key blob holds a key with a symmetric cipher or key derivation that this store never sets";
  }
  return std::nullopt;
}

}  // namespace

TPM2B_PUBLIC storageKeyTemplate() {
  TPM2B_PUBLIC result{};
  TPMT_PUBLIC& area = result.publicArea;
  area.type = TPM2_ALG_ECC;
  area.nameAlg = TPM2_ALG_SHA256;
  area.objectAttributes = TPMA_OBJECT_RESTRICTED | TPMA_OBJECT_DECRYPT | TPMA_OBJECT_FIXEDTPM |
                          TPMA_OBJECT_FIXEDPARENT | TPMA_OBJECT_SENSITIVEDATAORIGIN |
                          TPMA_OBJECT_USERWITHAUTH | TPMA_OBJECT_NODA;
  area.parameters.eccDetail.symmetric.algorithm = TPM2_ALG_AES;
  area.parameters.eccDetail.symmetric.keyBits.aes = 128;
  area.parameters.eccDetail.symmetric.mode.aes = TPM2_ALG_CFB;
  area.parameters.eccDetail.scheme.scheme = TPM2_ALG_NULL;
  area.parameters.eccDetail.curveID = TPM2_ECC_NIST_P256;
  area.parameters.eccDetail.kdf.scheme = TPM2_ALG_NULL;
  // Zero-filled by the initialiser above; the sizes make them 32 bytes each.
  area.unique.ecc.x.size = 32;
  area.unique.ecc.y.size = 32;
  return result;
}

TPM2B_PUBLIC signingKeyTemplate() {
  TPM2B_PUBLIC result{};
  TPMT_PUBLIC& area = result.publicArea;
  area.type = TPM2_ALG_ECC;
  area.nameAlg = TPM2_ALG_SHA256;
  area.objectAttributes = TPMA_OBJECT_SIGN_ENCRYPT | TPMA_OBJECT_FIXEDTPM | TPMA_OBJECT_FIXEDPARENT |
                          TPMA_OBJECT_SENSITIVEDATAORIGIN | TPMA_OBJECT_USERWITHAUTH | TPMA_OBJECT_NODA;
  area.parameters.eccDetail.symmetric.algorithm = TPM2_ALG_NULL;
  area.parameters.eccDetail.scheme.scheme = TPM2_ALG_ECDSA;
  area.parameters.eccDetail.scheme.details.ecdsa.hashAlg = TPM2_ALG_SHA256;
  area.parameters.eccDetail.curveID = TPM2_ECC_NIST_P256;
  area.parameters.eccDetail.kdf.scheme = TPM2_ALG_NULL;
  return result;
}

Outcome<Bytes> packTpmBlob(const TpmKeyParts& parts) {
  Bytes blob(1 + sizeof(TPM2B_PUBLIC) + sizeof(TPM2B_PRIVATE));
  blob[0] = kTpmBlobVersion;
  std::size_t offset = 1;
  TSS2_RC rc = Tss2_MU_TPM2B_PUBLIC_Marshal(&parts.publicPart, blob.data(), blob.size(), &offset);
  if (rc == TSS2_RC_SUCCESS) rc = Tss2_MU_TPM2B_PRIVATE_Marshal(&parts.privatePart, blob.data(), blob.size(), &offset);
  if (rc != TSS2_RC_SUCCESS) return StoreError{std::string("cannot write key blob: ") + Tss2_RC_Decode(rc)};
  blob.resize(offset);
  return blob;
}

Outcome<TpmKeyParts> unpackTpmBlob(std::span<const std::uint8_t> blob) {
  if (blob.empty()) return StoreError{"empty key blob"};
  if (blob[0] != kTpmBlobVersion) {
    return StoreError{"key blob version " + std::to_string(blob[0]) + " is not supported"};
  }
  TpmKeyParts parts{};
  std::size_t offset = 1;
  TSS2_RC rc = Tss2_MU_TPM2B_PUBLIC_Unmarshal(blob.data(), blob.size(), &offset, &parts.publicPart);
  // The unmarshaller reads the public area by its fields and does not hold it to the size in
  // front of it; a blob whose two disagree is not one this store wrote.
  const std::size_t declared = blob.size() >= 3 ? (std::size_t{blob[1]} << 8 | blob[2]) : 0;
  if (rc == TSS2_RC_SUCCESS && offset != 3 + declared) return StoreError{"malformed key blob: public area size"};
  if (rc == TSS2_RC_SUCCESS) rc = Tss2_MU_TPM2B_PRIVATE_Unmarshal(blob.data(), blob.size(), &offset, &parts.privatePart);
  if (rc != TSS2_RC_SUCCESS) return StoreError{std::string("malformed key blob: ") + Tss2_RC_Decode(rc)};
  if (offset != blob.size()) {
    return StoreError{"malformed key blob: " + std::to_string(blob.size() - offset) + " bytes after its end"};
  }
  if (auto problem = notOurs(parts.publicPart.publicArea)) return StoreError{std::move(*problem)};
  return parts;
}

}  // namespace ozmi::devicekey
