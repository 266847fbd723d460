// The key store on Linux: a TPM 2.0 through the TSS's enhanced system API (tpm2-tss 3.x).
//
// Every run derives the same primary storage key, an ECC P-256 key under the owner hierarchy,
// from the TPM's own seed (a fixed template gives the same key each time), and creates or loads
// the signing key under it. The private part of a signing key is generated inside the TPM and
// leaves it only wrapped by that primary, so a blob works only on the TPM that made it. Keys
// have an empty authorisation value and noDA: they sign without asking anyone and a wrong try
// never counts towards the dictionary-attack lockout.
//
// Every transient object is flushed on every path, failures included: behind /dev/tpm0 there is
// no resource manager, and a leaked object would hold one of the TPM's few slots for good.
// Which TPM the store talks to is the linked `openTcti`'s choice (tcti.h).
#include <openssl/evp.h>
#include <tss2/tss2_esys.h>
#include <tss2/tss2_rc.h>

#include <cstring>

#include "key_store.h"
#include "tcti.h"
#include "tpm_blob.h"

namespace ozmi::devicekey {

namespace {

StoreError tssError(TSS2_RC rc) {
  return StoreError{Tss2_RC_Decode(rc)};
}

// The TCTI this program links and the ESAPI context on it, torn down in reverse order.
class Connection {
 public:
  static Outcome<std::shared_ptr<Connection>> open() {
    auto tcti = openTcti();
    if (auto* error = std::get_if<StoreError>(&tcti)) return *error;
    auto connection = std::shared_ptr<Connection>(new Connection(std::move(std::get<Tcti>(tcti))));
    const TSS2_RC rc = Esys_Initialize(&connection->esys_, connection->tcti_.get(), nullptr);
    if (rc != TSS2_RC_SUCCESS) return tssError(rc);
    return connection;
  }

  ~Connection() {
    if (esys_ != nullptr) Esys_Finalize(&esys_);
  }

  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  ESYS_CONTEXT* esys() const { return esys_; }

 private:
  explicit Connection(Tcti tcti) : tcti_(std::move(tcti)) {}

  Tcti tcti_;
  ESYS_CONTEXT* esys_ = nullptr;
};

// A transient object in the TPM, flushed when this ends.
class Transient {
 public:
  Transient(std::shared_ptr<Connection> connection, ESYS_TR handle)
      : connection_(std::move(connection)), handle_(handle) {}
  ~Transient() {
    if (handle_ != ESYS_TR_NONE) Esys_FlushContext(connection_->esys(), handle_);
  }
  Transient(Transient&& other) noexcept : connection_(other.connection_), handle_(other.handle_) {
    other.handle_ = ESYS_TR_NONE;
  }
  Transient(const Transient&) = delete;
  Transient& operator=(const Transient&) = delete;
  Transient& operator=(Transient&&) = delete;

  ESYS_TR handle() const { return handle_; }
  ESYS_CONTEXT* esys() const { return connection_->esys(); }

 private:
  std::shared_ptr<Connection> connection_;
  ESYS_TR handle_;
};

// Frees what the ESAPI allocated for an output parameter.
template <class T>
struct EsysOut {
  T* value = nullptr;
  ~EsysOut() { Esys_Free(value); }
};

// A P-256 field element as 32 bytes big-endian. The TPM may send it shorter, without its
// leading zero bytes; those are put back.
bool putElement(const TPM2B_ECC_PARAMETER& element, std::uint8_t* out) {
  if (element.size > 32) return false;
  std::memset(out, 0, 32 - element.size);
  std::memcpy(out + 32 - element.size, element.buffer, element.size);
  return true;
}

Outcome<PublicPoint> pointOf(const TPM2B_PUBLIC& key) {
  PublicPoint point{};
  point[0] = 0x04;
  if (!putElement(key.publicArea.unique.ecc.x, &point[1]) || !putElement(key.publicArea.unique.ecc.y, &point[33])) {
    return StoreError{"public key is not a P-256 point"};
  }
  return point;
}

Outcome<Transient> createStorageKey(const std::shared_ptr<Connection>& connection) {
  const TPM2B_SENSITIVE_CREATE sensitive{};
  const TPM2B_PUBLIC keyTemplate = storageKeyTemplate();
  const TPM2B_DATA outsideInfo{};
  const TPML_PCR_SELECTION creationPcr{};
  ESYS_TR handle = ESYS_TR_NONE;
  const TSS2_RC rc = Esys_CreatePrimary(connection->esys(), ESYS_TR_RH_OWNER, ESYS_TR_PASSWORD, ESYS_TR_NONE,
                                        ESYS_TR_NONE, &sensitive, &keyTemplate, &outsideInfo, &creationPcr,
                                        &handle, nullptr, nullptr, nullptr, nullptr);
  if (rc != TSS2_RC_SUCCESS) return tssError(rc);
  return Transient(connection, handle);
}

// SHA-256 in software: the signing key is not restricted, so the TPM signs an outside digest
// with a null ticket, and TPM2_Hash would take only 1024 bytes per command.
bool sha256(std::span<const std::uint8_t> message, TPM2B_DIGEST& digest) {
  unsigned int size = 0;
  if (EVP_Digest(message.data(), message.size(), digest.buffer, &size, EVP_sha256(), nullptr) != 1) return false;
  digest.size = static_cast<UINT16>(size);
  return true;
}

class TpmLoadedKey : public LoadedKey {
 public:
  TpmLoadedKey(Transient key, PublicPoint point) : key_(std::move(key)), point_(point) {}

  PublicPoint publicPoint() const override { return point_; }

  Outcome<Signature> sign(std::span<const std::uint8_t> message) override {
    TPM2B_DIGEST digest{};
    if (!sha256(message, digest)) return StoreError{"SHA-256 failed"};
    TPMT_SIG_SCHEME scheme{};
    scheme.scheme = TPM2_ALG_ECDSA;
    scheme.details.ecdsa.hashAlg = TPM2_ALG_SHA256;
    TPMT_TK_HASHCHECK validation{};
    validation.tag = TPM2_ST_HASHCHECK;
    validation.hierarchy = TPM2_RH_NULL;
    EsysOut<TPMT_SIGNATURE> signature;
    const TSS2_RC rc = Esys_Sign(key_.esys(), key_.handle(), ESYS_TR_PASSWORD, ESYS_TR_NONE, ESYS_TR_NONE,
                                 &digest, &scheme, &validation, &signature.value);
    if (rc != TSS2_RC_SUCCESS) return tssError(rc);
    Signature raw{};
    if (signature.value->sigAlg != TPM2_ALG_ECDSA ||
        !putElement(signature.value->signature.ecdsa.signatureR, &raw[0]) ||
        !putElement(signature.value->signature.ecdsa.signatureS, &raw[32])) {
      return StoreError{"TPM returned no P-256 ECDSA signature"};
    }
    return raw;
  }

  Transient key_;
  PublicPoint point_;
};

bool supportsP256(ESYS_CONTEXT* esys) {
  TPMI_YES_NO more = TPM2_NO;
  EsysOut<TPMS_CAPABILITY_DATA> curves;
  const TSS2_RC rc = Esys_GetCapability(esys, ESYS_TR_NONE, ESYS_TR_NONE, ESYS_TR_NONE, TPM2_CAP_ECC_CURVES,
                                        TPM2_ECC_NIST_P256, TPM2_MAX_ECC_CURVES, &more, &curves.value);
  if (rc != TSS2_RC_SUCCESS || curves.value->capability != TPM2_CAP_ECC_CURVES) return false;
  const TPML_ECC_CURVE& list = curves.value->data.eccCurves;
  for (UINT32 i = 0; i < list.count && i < TPM2_MAX_ECC_CURVES; ++i) {
    if (list.eccCurves[i] == TPM2_ECC_NIST_P256) return true;
  }
  return false;
}

// TPM2_PT_PERMANENT's ownerAuthSet; a TPM that does not say counts as having one.
bool ownerHasPassword(ESYS_CONTEXT* esys) {
  TPMI_YES_NO more = TPM2_NO;
  EsysOut<TPMS_CAPABILITY_DATA> properties;
  const TSS2_RC rc = Esys_GetCapability(esys, ESYS_TR_NONE, ESYS_TR_NONE, ESYS_TR_NONE, TPM2_CAP_TPM_PROPERTIES,
                                        TPM2_PT_PERMANENT, 1, &more, &properties.value);
  if (rc != TSS2_RC_SUCCESS || properties.value->capability != TPM2_CAP_TPM_PROPERTIES) return true;
  const TPML_TAGGED_TPM_PROPERTY& list = properties.value->data.tpmProperties;
  if (list.count < 1 || list.tpmProperty[0].property != TPM2_PT_PERMANENT) return true;
  return (list.tpmProperty[0].value & TPMA_PERMANENT_OWNERAUTHSET) != 0;
}

class TpmKeyStore : public KeyStore {
 public:
  // Also false when the owner hierarchy has a password: the storage key is made under it with an
  // empty one, so every "create", "sign" and "public" would fail on such a TPM.
  bool available() override {
    const auto connection = connect();
    if (std::holds_alternative<StoreError>(connection)) return false;
    ESYS_CONTEXT* esys = std::get<0>(connection)->esys();
    return supportsP256(esys) && !ownerHasPassword(esys);
  }

  // The access rule of a key (no authorisation value, no lockout, this TPM only) is part of its
  // template; there is nothing to make beforehand.
  std::optional<std::string> prepareAccessControl() override { return std::nullopt; }

  Outcome<CreatedKey> create() override {
    const auto connection = connect();
    if (auto* error = std::get_if<StoreError>(&connection)) return *error;
    const auto& tpm = std::get<0>(connection);
    auto parent = createStorageKey(tpm);
    if (auto* error = std::get_if<StoreError>(&parent)) return *error;

    const TPM2B_SENSITIVE_CREATE sensitive{};
    const TPM2B_PUBLIC keyTemplate = signingKeyTemplate();
    const TPM2B_DATA outsideInfo{};
    const TPML_PCR_SELECTION creationPcr{};
    EsysOut<TPM2B_PRIVATE> privatePart;
    EsysOut<TPM2B_PUBLIC> publicPart;
    const TSS2_RC rc = Esys_Create(tpm->esys(), std::get<Transient>(parent).handle(), ESYS_TR_PASSWORD, ESYS_TR_NONE,
                                   ESYS_TR_NONE, &sensitive, &keyTemplate, &outsideInfo, &creationPcr,
                                   &privatePart.value, &publicPart.value, nullptr, nullptr, nullptr);
    if (rc != TSS2_RC_SUCCESS) return tssError(rc);

    const auto point = pointOf(*publicPart.value);
    if (auto* error = std::get_if<StoreError>(&point)) return *error;
    auto blob = packTpmBlob({*publicPart.value, *privatePart.value});
    if (auto* error = std::get_if<StoreError>(&blob)) return *error;
    return CreatedKey{std::move(std::get<Bytes>(blob)), std::get<PublicPoint>(point)};
  }

  Outcome<std::unique_ptr<LoadedKey>> load(std::span<const std::uint8_t> blob) override {
    const auto parts = unpackTpmBlob(blob);
    if (auto* error = std::get_if<StoreError>(&parts)) return *error;
    const auto& key = std::get<TpmKeyParts>(parts);
    const auto point = pointOf(key.publicPart);
    if (auto* error = std::get_if<StoreError>(&point)) return *error;

    const auto connection = connect();
    if (auto* error = std::get_if<StoreError>(&connection)) return *error;
    const auto& tpm = std::get<0>(connection);
    ESYS_TR handle = ESYS_TR_NONE;
    {
      // The storage key is needed only to unwrap; it is flushed as soon as the key is loaded.
      auto parent = createStorageKey(tpm);
      if (auto* error = std::get_if<StoreError>(&parent)) return *error;
      const TSS2_RC rc = Esys_Load(tpm->esys(), std::get<Transient>(parent).handle(), ESYS_TR_PASSWORD, ESYS_TR_NONE,
                                   ESYS_TR_NONE, &key.privatePart, &key.publicPart, &handle);
      if (rc != TSS2_RC_SUCCESS) return tssError(rc);
    }
    return std::unique_ptr<LoadedKey>(
        std::make_unique<TpmLoadedKey>(Transient(tpm, handle), std::get<PublicPoint>(point)));
  }

 private:
  // One connection per run, opened on first use: "create" asks for availability first.
  Outcome<std::shared_ptr<Connection>> connect() {
    if (!connection_) connection_ = Connection::open();
    return *connection_;
  }

  std::optional<Outcome<std::shared_ptr<Connection>>> connection_;
};

}  // namespace

std::unique_ptr<KeyStore> makeKeyStore() {
  return std::make_unique<TpmKeyStore>();
}

}  // namespace ozmi::devicekey
