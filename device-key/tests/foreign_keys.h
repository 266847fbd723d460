// Public areas that differ from the signing-key template in one respect each (or in the few that
// go together, such as a scheme that must be null once the key also decrypts), with what the
// blob check must answer. Shared by the blob test, which builds each area in memory, and the
// software-TPM test, which has the TPM make each key it is willing to make.
#pragma once

#include <tss2/tss2_tpm2_types.h>

#include <cstring>

namespace ozmi::devicekey::testing {

// How the TPM can make a key with such a public area under the tool's storage key.
enum class Making {
  kCreate,  // TPM2_Create from the changed template
  kImport,  // TPM2_Import of a key made outside the TPM
  kEdit,    // the TPM refuses the template: a key of the tool's template, its public area edited
};

struct ForeignKey {
  const char* what;
  void (*change)(TPMT_PUBLIC&);
  Making making;
  const char* error;
};

inline void setAttributes(TPMT_PUBLIC& area, TPMA_OBJECT set, TPMA_OBJECT clear) {
  area.objectAttributes = (area.objectAttributes | set) & ~clear;
}

inline const ForeignKey kForeignKeys[] = {
    {"imported", [](TPMT_PUBLIC& a) {
       setAttributes(a, 0, TPMA_OBJECT_SENSITIVEDATAORIGIN | TPMA_OBJECT_FIXEDTPM | TPMA_OBJECT_FIXEDPARENT);
     }, Making::kImport, "key blob holds a key that was made outside the TPM"},
    {"sensitiveDataOrigin clear", [](TPMT_PUBLIC& a) { setAttributes(a, 0, TPMA_OBJECT_SENSITIVEDATAORIGIN); },
     Making::kEdit, "key blob holds a key that was made outside the TPM"},
    {"duplicable: fixedParent and fixedTPM clear", [](TPMT_PUBLIC& a) {
       setAttributes(a, 0, TPMA_OBJECT_FIXEDPARENT | TPMA_OBJECT_FIXEDTPM);
     }, Making::kCreate, "key blob holds a key that can be duplicated"},
    {"fixedTPM clear", [](TPMT_PUBLIC& a) { setAttributes(a, 0, TPMA_OBJECT_FIXEDTPM); },
     Making::kEdit, "key blob holds a key that can leave the TPM"},
    {"duplicable with encryptedDuplication", [](TPMT_PUBLIC& a) {
       setAttributes(a, TPMA_OBJECT_ENCRYPTEDDUPLICATION, TPMA_OBJECT_FIXEDPARENT | TPMA_OBJECT_FIXEDTPM);
     }, Making::kCreate, "key blob holds a key that can be duplicated"},
    {"encryptedDuplication set", [](TPMT_PUBLIC& a) { setAttributes(a, TPMA_OBJECT_ENCRYPTEDDUPLICATION, 0); },
     Making::kEdit, "key blob holds a key meant for duplication"},
    {"decrypts instead of signing", [](TPMT_PUBLIC& a) {
       setAttributes(a, TPMA_OBJECT_DECRYPT, TPMA_OBJECT_SIGN_ENCRYPT);
       a.parameters.eccDetail.scheme.scheme = TPM2_ALG_NULL;
     }, Making::kCreate, "key blob holds a key that cannot sign"},
    {"neither signs nor decrypts", [](TPMT_PUBLIC& a) { setAttributes(a, 0, TPMA_OBJECT_SIGN_ENCRYPT); },
     Making::kEdit, "key blob holds a key that cannot sign"},
    {"decrypts too", [](TPMT_PUBLIC& a) {
       setAttributes(a, TPMA_OBJECT_DECRYPT, 0);
       a.parameters.eccDetail.scheme.scheme = TPM2_ALG_NULL;
     }, Making::kCreate, "key blob holds a key that can also decrypt"},
    {"restricted", [](TPMT_PUBLIC& a) { setAttributes(a, TPMA_OBJECT_RESTRICTED, 0); },
     Making::kCreate, "key blob holds a restricted key"},
    {"userWithAuth clear", [](TPMT_PUBLIC& a) { setAttributes(a, 0, TPMA_OBJECT_USERWITHAUTH); },
     Making::kCreate, "key blob holds a key usable only through a policy"},
    {"adminWithPolicy set", [](TPMT_PUBLIC& a) { setAttributes(a, TPMA_OBJECT_ADMINWITHPOLICY, 0); },
     Making::kCreate, "key blob holds a key administered only through a policy"},
    {"noDA clear", [](TPMT_PUBLIC& a) { setAttributes(a, 0, TPMA_OBJECT_NODA); },
     Making::kCreate, "key blob holds a key whose failed uses count towards the TPM's lockout"},
    {"stClear set", [](TPMT_PUBLIC& a) { setAttributes(a, TPMA_OBJECT_STCLEAR, 0); },
     Making::kCreate, "key blob holds a key with attributes 0x00000004 that this store never sets"},
    {"an authorization policy", [](TPMT_PUBLIC& a) {
       a.authPolicy.size = 32;
       std::memset(a.authPolicy.buffer, 0x5A, 32);
     }, Making::kCreate, "key blob holds a key with an authorization policy"},
    {"named with SHA-384", [](TPMT_PUBLIC& a) { a.nameAlg = TPM2_ALG_SHA384; },
     Making::kCreate, "key blob holds a key named with another hash than SHA-256"},
    {"P-384", [](TPMT_PUBLIC& a) { a.parameters.eccDetail.curveID = TPM2_ECC_NIST_P384; },
     Making::kCreate, "key blob does not hold a P-256 key"},
    {"keyed hash", [](TPMT_PUBLIC& a) {
       const TPMA_OBJECT attributes = a.objectAttributes;
       a = TPMT_PUBLIC{};
       a.type = TPM2_ALG_KEYEDHASH;
       a.nameAlg = TPM2_ALG_SHA256;
       a.objectAttributes = attributes;
       a.parameters.keyedHashDetail.scheme.scheme = TPM2_ALG_HMAC;
       a.parameters.keyedHashDetail.scheme.details.hmac.hashAlg = TPM2_ALG_SHA256;
     }, Making::kCreate, "key blob does not hold a P-256 key"},
    {"ECDSA with SHA-384", [](TPMT_PUBLIC& a) { a.parameters.eccDetail.scheme.details.ecdsa.hashAlg = TPM2_ALG_SHA384; },
     Making::kCreate, "key blob holds a key for another scheme than ECDSA with SHA-256"},
    {"any scheme", [](TPMT_PUBLIC& a) { a.parameters.eccDetail.scheme.scheme = TPM2_ALG_NULL; },
     Making::kCreate, "key blob holds a key for another scheme than ECDSA with SHA-256"},
    {"a key derivation function", [](TPMT_PUBLIC& a) {
       a.parameters.eccDetail.kdf.scheme = TPM2_ALG_KDF1_SP800_56A;
       a.parameters.eccDetail.kdf.details.kdf1_sp800_56a.hashAlg = TPM2_ALG_SHA256;
     }, Making::kEdit, "key blob holds a key with a symmetric cipher or key derivation that this store never sets"},
};

}  // namespace ozmi::devicekey::testing
