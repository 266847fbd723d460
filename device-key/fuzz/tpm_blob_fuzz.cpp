// Key blob parsing on any bytes: no crash, and a blob that parses is written back byte for byte.
// Random bytes rarely get past the version and the first size field, so each input is also
// spliced into a well-formed blob: two bytes of offset, then the bytes that replace the blob's
// from there on (a shorter input cuts the blob, a longer one extends it).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tpm_blob.h"

namespace {

using namespace ozmi::devicekey;

void check(std::span<const std::uint8_t> blob) {
  const auto parts = unpackTpmBlob(blob);
  if (const auto* key = std::get_if<TpmKeyParts>(&parts)) {
    const auto again = packTpmBlob(*key);
    const auto* packed = std::get_if<Bytes>(&again);
    if (packed == nullptr || *packed != Bytes(blob.begin(), blob.end())) std::abort();
  }
}

Bytes wellFormedBlob() {
  TpmKeyParts parts{};
  parts.publicPart = signingKeyTemplate();
  TPMT_PUBLIC& area = parts.publicPart.publicArea;
  area.unique.ecc.x.size = 32;
  area.unique.ecc.y.size = 32;
  parts.privatePart.size = 126;
  auto blob = packTpmBlob(parts);
  return std::get<Bytes>(blob);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  check(std::span(data, size));

  static const Bytes base = wellFormedBlob();
  if (size < 2) return 0;
  const std::size_t offset = (std::size_t{data[0]} << 8 | data[1]) % (base.size() + 1);
  Bytes spliced(base.begin(), base.begin() + static_cast<std::ptrdiff_t>(offset));
  spliced.insert(spliced.end(), data + 2, data + size);
  check(spliced);
  return 0;
}
