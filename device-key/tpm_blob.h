// The key blob of the TPM store: the TPM's own wrapped key, public and private part, as the TPM
// returned them from TPM2_Create. Only the TPM whose storage key wrapped the private part can
// load it again.
//
//   byte 0     layout version, 1
//   then       TPM2B_PUBLIC  (TPM wire form: 2-byte big-endian size, then TPMT_PUBLIC)
//   then       TPM2B_PRIVATE (2-byte big-endian size, then the wrapped private area)
//   nothing after it.
#pragma once

#include <span>
#include <variant>

#include <tss2/tss2_tpm2_types.h>

#include "bytes.h"
#include "key_store.h"

namespace ozmi::devicekey {

inline constexpr std::uint8_t kTpmBlobVersion = 1;

struct TpmKeyParts {
  TPM2B_PUBLIC publicPart;
  TPM2B_PRIVATE privatePart;
};

// The template of the storage key that wraps every key's private part, made again from the
// owner hierarchy's seed in every run. A blob loads only under the storage key it was made
// under, so every blob ever made depends on this template staying as it is.
//
// It is the TCG's reference ECC storage key (SRK) template of the TPM 2.0 Provisioning Guidance,
// with its unique field of 32 zero bytes for x and for y, not a template of our own: the key is
// then the machine's SRK that other TPM software derives or finds persisted at 0x81000001, so
// the keys stay loadable with the standard tools, and a later version may use a persisted SRK
// instead of deriving it, without changing any blob.
TPM2B_PUBLIC storageKeyTemplate();

// The public template of every key the store makes: P-256 ECDSA with SHA-256, not restricted,
// made inside this TPM and never leaving it (fixed to the TPM and to its parent), usable with
// an empty password and no policy, and never counted towards the dictionary-attack lockout.
TPM2B_PUBLIC signingKeyTemplate();

Outcome<Bytes> packTpmBlob(const TpmKeyParts& parts);

// The parts of a blob, after checking its version, its framing and that its public area is the
// signing-key template exactly, apart from the point: a key the TPM would load under the same
// storage key but that was imported, can be duplicated, needs a password policy or counts
// towards the lockout was never made by this store. Whether the TPM accepts the private part is
// the TPM's to say.
Outcome<TpmKeyParts> unpackTpmBlob(std::span<const std::uint8_t> blob);

}  // namespace ozmi::devicekey
