#include "device_key.h"

#include "base64.h"
#include "stdin_lines.h"

namespace ozmi::devicekey {

namespace {

constexpr std::string_view kUsage = "usage: ozmi-device-key available|create|sign|public";
// Part of the input is not the input: with a read error nothing is parsed and nothing signed.
constexpr std::string_view kUnreadableInput = "cannot read stdin";

// The key of line 1, or the failure reply that ends the run.
std::variant<std::unique_ptr<LoadedKey>, Reply> loadKey(const std::string& line, KeyStore& store) {
  const auto blob = decodeBase64(line);
  if (!blob) return fail("blob is not base64");
  auto loaded = store.load(*blob);
  if (auto* error = std::get_if<StoreError>(&loaded)) {
    return fail("enclave rejected the key handle: " + error->text);
  }
  return std::move(std::get<std::unique_ptr<LoadedKey>>(loaded));
}

// "x" and "y" of a point; its first byte (04) is not looked at.
void addXy(Reply& reply, const PublicPoint& point) {
  const std::span<const std::uint8_t> bytes(point);
  reply["x"] = b64url(bytes.subspan(1, 32));
  reply["y"] = b64url(bytes.subspan(33, 32));
}

}  // namespace

Reply availableCommand(KeyStore& store) {
  return {{"available", store.available()}};
}

Reply createCommand(KeyStore& store) {
  if (!store.available()) return fail("secure enclave not available");
  if (auto problem = store.prepareAccessControl()) return fail("access control: " + *problem);
  auto created = store.create();
  if (auto* error = std::get_if<StoreError>(&created)) return fail("create failed: " + error->text);
  const auto& key = std::get<CreatedKey>(created);
  Reply reply{{"blob", encodeBase64(key.blob)}};
  addXy(reply, key.point);
  return reply;
}

Reply signCommand(const std::string& input, KeyStore& store) {
  const auto lines = stdinLines(input, 2);
  if (lines.size() < 2) return fail("sign expects blob and data on stdin");
  // The key comes first: a bad blob is reported even when the message line is bad too.
  auto loaded = loadKey(lines[0], store);
  if (auto* failure = std::get_if<Reply>(&loaded)) return std::move(*failure);
  const auto message = decodeBase64(lines[1]);
  if (!message) return fail("data is not base64");
  const auto signature = std::get<std::unique_ptr<LoadedKey>>(loaded)->sign(*message);
  if (auto* error = std::get_if<StoreError>(&signature)) return fail("sign failed: " + error->text);
  return {{"sig", b64url(std::get<Signature>(signature))}};
}

Reply publicCommand(const std::string& input, KeyStore& store) {
  const auto lines = stdinLines(input, 1);
  if (lines.empty()) return fail("public expects blob on stdin");
  auto loaded = loadKey(lines[0], store);
  if (auto* failure = std::get_if<Reply>(&loaded)) return std::move(*failure);
  Reply reply;
  addXy(reply, std::get<std::unique_ptr<LoadedKey>>(loaded)->publicPoint());
  return reply;
}

std::string runDeviceKey(std::span<const std::string> args,
                         const std::function<std::optional<std::string>()>& readInput, KeyStore& store) {
  if (args.empty()) return emit(fail(std::string(kUsage)));
  const std::string& command = args.front();
  if (command == "available") return emit(availableCommand(store));
  if (command == "create") return emit(createCommand(store));
  if (command != "sign" && command != "public") return emit(fail("unknown command " + command));
  const auto input = readInput();
  if (!input) return emit(fail(std::string(kUnreadableInput)));
  return emit(command == "sign" ? signCommand(*input, store) : publicCommand(*input, store));
}

}  // namespace ozmi::devicekey
