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

// The public template of every key the store makes: P-256 ECDSA with SHA-256, not restricted,
// bound to this TPM and its parent, usable with an empty password and never locked out.
TPM2B_PUBLIC signingKeyTemplate();

Outcome<Bytes> packTpmBlob(const TpmKeyParts& parts);

// The parts of a blob, after checking its version, its framing and that it holds a P-256
// ECDSA signing key. Whether the TPM accepts the private part is the TPM's to say.
Outcome<TpmKeyParts> unpackTpmBlob(std::span<const std::uint8_t> blob);

}  // namespace ozmi::devicekey
