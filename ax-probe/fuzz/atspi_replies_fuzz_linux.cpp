// Decoded AT-SPI replies of any shape, from a peer that may be hostile, through every reader.
// The input bytes spell a value tree: a type code, then for texts a length byte and the text,
// for integers eight bytes, for containers a count byte and that many values.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "atspi_path_bar_linux.h"
#include "atspi_replies_linux.h"
#include "atspi_roles_linux.h"

namespace {

using ozmi::probe::atspi::BusValue;

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool done() const { return pos_ >= size_; }
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  BusValue value(int depth) {
    static constexpr char kTypes[] = "sogybnqiuxtdarev";
    BusValue v;
    v.type = kTypes[byte() % (sizeof kTypes - 1)];
    switch (v.type) {
      case 's': case 'o': case 'g': {
        const std::size_t n = std::min<std::size_t>(byte(), size_ - std::min(pos_, size_));
        v.text.assign(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        break;
      }
      case 'a': case 'r': case 'e': case 'v': {
        const int count = depth < 8 ? byte() % 6 : 0;
        for (int i = 0; i < count && !done(); ++i) v.items.push_back(value(depth + 1));
        break;
      }
      default: {
        std::uint64_t x = 0;
        for (int i = 0; i < 8; ++i) x = (x << 8) | byte();
        v.integer = static_cast<std::int64_t>(x);
        std::memcpy(&v.real, &x, sizeof x);
      }
    }
    return v;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ozmi::probe::atspi;
  Reader in(data, size);
  const std::uint32_t state = in.byte();
  std::vector<BusValue> args;
  while (!in.done() && args.size() < 4) args.push_back(in.value(0));
  const Reply reply = in.byte() == 0xFF ? Reply{} : Reply{args};
  (void)replyUint(reply);
  (void)replyInteger(reply);
  (void)replyInts(reply);
  (void)replyHasState(reply, state);
  (void)replyReference(reply);
  for (const ObjectRef& r : replyReferences(reply)) {
    if (r.bus.empty()) __builtin_trap();  // an empty bus name is never handed on
  }
  if (const auto items = replyCacheItems(reply)) {
    for (const auto& [path, list] : completeChildren(*items)) {
      for (std::size_t i : list) {
        if (i >= items->size() || (*items)[i].parentPath != path) __builtin_trap();
      }
    }
  }
  const std::uint64_t states = replyStates(reply).value_or(0);
  if (const auto role = replyUint(reply)) (void)axRole(*role, states);
  if (const auto text = replyText(reply)) {
    (void)withoutMnemonic(*text);
    // A label as a path-bar button: a rebuilt folder is absolute and its URL plain ASCII.
    const std::vector<PathBarButton> buttons{{*text, (states & 1u) != 0}, {"x", (states & 1u) == 0},
                                             {kRootButtonName, false}};
    for (const auto& home : {std::optional<std::string>(), std::optional<std::string>("/home/" + *text)}) {
      if (const auto folder = pathBarFolder(buttons, home)) {
        if (!folder->path.starts_with('/') || folder->button >= buttons.size()) __builtin_trap();
        for (const char c : fileUrlOfPath(folder->path)) {
          if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) __builtin_trap();
        }
      }
    }
  }
  return 0;
}
