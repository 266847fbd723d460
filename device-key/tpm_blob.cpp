#include "tpm_blob.h"

#include <tss2/tss2_mu.h>
#include <tss2/tss2_rc.h>

namespace ozmi::devicekey {

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
  // The TPM would load any key wrapped under the same storage key; only P-256 ECDSA signing
  // keys have the point and signature that the replies promise.
  const TPMT_PUBLIC& area = parts.publicPart.publicArea;
  if (area.type != TPM2_ALG_ECC || area.parameters.eccDetail.curveID != TPM2_ECC_NIST_P256 ||
      (area.objectAttributes & TPMA_OBJECT_SIGN_ENCRYPT) == 0 ||
      (area.objectAttributes & TPMA_OBJECT_RESTRICTED) != 0) {
    return StoreError{"key blob does not hold a P-256 signing key"};
  }
  return parts;
}

}  // namespace ozmi::devicekey
