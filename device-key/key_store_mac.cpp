// The key store on macOS: P-256 keys of the Secure Enclave through CryptoKit, reached through
// the C functions of secure_enclave_mac.h. The blob is the key's CryptoKit data representation,
// which only this Mac's Secure Enclave can unwrap; no keychain item is written.
//
// Plain C++ over those functions, so tests run it on any system against a fake of them.
#include <cstdlib>
#include <string>

#include "key_store.h"
#include "secure_enclave_mac.h"

namespace ozmi::devicekey {

namespace {

// One variable-size result of the boundary; freed here, as the boundary allocated it.
template <class Char>
class Given {
 public:
  Given() = default;
  ~Given() { std::free(data_); }
  Given(const Given&) = delete;
  Given& operator=(const Given&) = delete;

  Char** data() { return &data_; }
  std::size_t* length() { return &length_; }
  bool given() const { return data_ != nullptr; }
  std::span<const Char> view() const { return data_ == nullptr ? std::span<const Char>() : std::span(data_, length_); }

 private:
  Char* data_ = nullptr;
  std::size_t length_ = 0;
};

std::string text(const Given<char>& error) {
  const auto chars = error.view();
  return std::string(chars.begin(), chars.end());
}

struct Release {
  void operator()(void* handle) const { ozmi_se_release(handle); }
};
template <class T>
using Handle = std::unique_ptr<T, Release>;

// Why the point the platform gave is not the uncompressed form 04, X, Y; nothing when it is.
std::optional<StoreError> pointProblem(const PublicPoint& bytes, std::size_t length) {
  if (length != bytes.size()) {
    return StoreError{"public key of " + std::to_string(length) + " bytes, not a 65-byte point"};
  }
  if (bytes[0] != 0x04) return StoreError{"public key is not an uncompressed point"};
  return std::nullopt;
}

class SecureEnclaveKey final : public LoadedKey {
 public:
  SecureEnclaveKey(Handle<ozmi_se_key> key, const PublicPoint& point) : key_(std::move(key)), point_(point) {}

  PublicPoint publicPoint() const override { return point_; }

  Outcome<Signature> sign(std::span<const std::uint8_t> message) override {
    Signature signature{};
    std::size_t length = 0;
    Given<char> error;
    if (!ozmi_se_key_sign(key_.get(), message.data(), message.size(), signature.data(), &length, error.data(),
                          error.length())) {
      return StoreError{text(error)};
    }
    if (length != signature.size()) {
      return StoreError{"signature of " + std::to_string(length) + " bytes, not 64"};
    }
    return signature;
  }

 private:
  Handle<ozmi_se_key> key_;
  PublicPoint point_;
};

class SecureEnclaveStore final : public KeyStore {
 public:
  bool available() override { return ozmi_se_is_available(); }

  std::optional<std::string> prepareAccessControl() override {
    Given<char> error;
    accessControl_.reset(ozmi_se_access_control_create(error.data(), error.length()));
    if (accessControl_) return std::nullopt;
    // The platform's optional error as Swift shows an optional: "nil", or the description
    // wrapped in "Optional(" and ")".
    if (!error.given()) return "nil";
    return "Optional(" + text(error) + ")";
  }

  Outcome<CreatedKey> create() override {
    // The access rule serves this one key and is released with it.
    const Handle<ozmi_se_access_control> accessControl = std::move(accessControl_);
    if (!accessControl) return StoreError{"no access control prepared"};
    Given<std::uint8_t> blob;
    PublicPoint point{};
    std::size_t pointLength = 0;
    Given<char> error;
    if (!ozmi_se_key_create(accessControl.get(), blob.data(), blob.length(), point.data(), &pointLength,
                            error.data(), error.length())) {
      return StoreError{text(error)};
    }
    if (auto problem = pointProblem(point, pointLength)) return std::move(*problem);
    const auto bytes = blob.view();
    return CreatedKey{Bytes(bytes.begin(), bytes.end()), point};
  }

  Outcome<std::unique_ptr<LoadedKey>> load(std::span<const std::uint8_t> blob) override {
    PublicPoint point{};
    std::size_t pointLength = 0;
    Given<char> error;
    Handle<ozmi_se_key> key(
        ozmi_se_key_load(blob.data(), blob.size(), point.data(), &pointLength, error.data(), error.length()));
    if (!key) return StoreError{text(error)};
    if (auto problem = pointProblem(point, pointLength)) return std::move(*problem);
    return std::unique_ptr<LoadedKey>(std::make_unique<SecureEnclaveKey>(std::move(key), point));
  }

 private:
  Handle<ozmi_se_access_control> accessControl_;
};

}  // namespace

std::unique_ptr<KeyStore> makeKeyStore() {
  return std::make_unique<SecureEnclaveStore>();
}

}  // namespace ozmi::devicekey
