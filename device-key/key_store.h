// The key store behind the commands: P-256 ECDSA keys whose private half never leaves it, known
// to the caller only by an opaque blob that the store accepts back only on the machine that made
// it. Keys sign without asking the user. Each platform has one implementation (the TPM on
// Linux); tests use a fake.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "bytes.h"

namespace ozmi::devicekey {

// ANSI X9.63 uncompressed point: 04, then X and Y as 32 bytes big-endian each.
using PublicPoint = std::array<std::uint8_t, 65>;
// ECDSA P-256 signature: r then s, 32 bytes big-endian each.
using Signature = std::array<std::uint8_t, 64>;

// A failure as the store describes it; the commands put their own prefix before it.
struct StoreError {
  std::string text;
};

template <class T>
using Outcome = std::variant<T, StoreError>;

struct CreatedKey {
  Bytes blob;
  PublicPoint point;
};

// One key loaded from its blob; whatever the store holds for it is released with this object.
class LoadedKey {
 public:
  virtual ~LoadedKey() = default;
  virtual PublicPoint publicPoint() const = 0;
  // Signs the SHA-256 digest of `message`; the store does the hashing.
  virtual Outcome<Signature> sign(std::span<const std::uint8_t> message) = 0;
};

class KeyStore {
 public:
  virtual ~KeyStore() = default;
  // True when the store answers and can hold P-256 keys. Never fails otherwise.
  virtual bool available() = 0;
  // Prepares the access rule of new keys (no user interaction, this machine only); a description
  // of the problem when the platform cannot.
  virtual std::optional<std::string> prepareAccessControl() = 0;
  virtual Outcome<CreatedKey> create() = 0;
  virtual Outcome<std::unique_ptr<LoadedKey>> load(std::span<const std::uint8_t> blob) = 0;
};

// The store of this platform.
std::unique_ptr<KeyStore> makeKeyStore();

}  // namespace ozmi::devicekey
