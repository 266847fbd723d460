// A key store in memory for the command tests: plain fields say what it answers, and it records
// what it was asked.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "key_store.h"

namespace ozmi::devicekey::testing {

struct FakeKeyStore : KeyStore {
  // What the store answers.
  bool isAvailable = true;
  std::optional<std::string> accessControlProblem;
  Outcome<CreatedKey> createResult = CreatedKey{};
  Bytes acceptedBlob;  // load accepts this blob only
  std::string loadError = "not this store's key";
  PublicPoint point{};
  Outcome<Signature> signResult = Signature{};

  // What it was asked.
  int availableCalls = 0;
  int accessControlCalls = 0;
  int createCalls = 0;
  std::vector<Bytes> loadedBlobs;
  std::vector<Bytes> signedMessages;

  bool available() override {
    ++availableCalls;
    return isAvailable;
  }
  std::optional<std::string> prepareAccessControl() override {
    ++accessControlCalls;
    return accessControlProblem;
  }
  Outcome<CreatedKey> create() override {
    ++createCalls;
    return createResult;
  }
  Outcome<std::unique_ptr<LoadedKey>> load(std::span<const std::uint8_t> blob) override {
    loadedBlobs.emplace_back(blob.begin(), blob.end());
    if (loadedBlobs.back() != acceptedBlob) return StoreError{loadError};
    return std::unique_ptr<LoadedKey>(std::make_unique<Key>(*this));
  }

  struct Key : LoadedKey {
    explicit Key(FakeKeyStore& store) : store(store) {}
    PublicPoint publicPoint() const override { return store.point; }
    Outcome<Signature> sign(std::span<const std::uint8_t> message) override {
      store.signedMessages.emplace_back(message.begin(), message.end());
      return store.signResult;
    }
    FakeKeyStore& store;
  };
};

}  // namespace ozmi::devicekey::testing
