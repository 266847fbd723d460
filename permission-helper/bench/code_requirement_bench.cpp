// Rendering a compiled requirement: the cost follows the blob's size, not its size times its
// nesting. A 10 MB identifier under 1, 16 and 256 nested "and"s should take about as long.
#include <benchmark/benchmark.h>

#include <string>

#include "code_requirement.h"

namespace {

void word(std::string& bytes, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((v >> shift) & 0xff);
}

// and(and(... and(identifier <id>, always) ..., always), always), `levels` deep.
std::string nestedBlob(int levels, std::size_t idSize) {
  std::string e;
  for (int i = 0; i < levels; ++i) word(e, 6);
  word(e, 2);
  word(e, static_cast<std::uint32_t>(idSize));
  e += std::string(idSize, 'x');
  while (e.size() % 4 != 0) e += '\0';
  for (int i = 0; i < levels; ++i) word(e, 1);
  std::string blob;
  word(blob, ozmi::permission::kRequirementMagic);
  word(blob, static_cast<std::uint32_t>(12 + e.size()));
  word(blob, ozmi::permission::kExpressionKind);
  return blob + e;
}

void BM_RenderNestedIdentifier(benchmark::State& state) {
  const auto parsed = ozmi::permission::parseRequirement(nestedBlob(static_cast<int>(state.range(0)), 10 << 20));
  for (auto _ : state) benchmark::DoNotOptimize(ozmi::permission::renderRequirement(*parsed));
}
BENCHMARK(BM_RenderNestedIdentifier)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace
