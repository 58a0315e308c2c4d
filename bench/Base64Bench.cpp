// Throughput of Base64 Encode and Decode on texts of 1 KiB, 1 MiB and 64 MiB
// characters. Rates count the input of each call: the plain text's
// characters for Encode, the Base64 text's characters (CR LF included) for
// Decode; one character is one byte in the code page.
//
// The plain texts are the code page's reading of sample bytes: the file
// <size>.bin in the folder named by BREVIX_BENCH_DATA when that is set (so
// that other tools can be timed on the very same bytes), random bytes
// otherwise.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

#include "base64/Base64.h"
#include "platform/CodePage.h"

namespace {

std::string SampleBytes(std::size_t size) {
  if (const char* folder = std::getenv("BREVIX_BENCH_DATA")) {
    const std::string path = std::string(folder) + "/" + std::to_string(size) + ".bin";
    std::ifstream in(path, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.size() != size) throw std::runtime_error("cannot read " + std::to_string(size) + " bytes from " + path);
    return bytes;
  }
  std::mt19937_64 random(size);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  return bytes;
}

void Encode(benchmark::State& state) {
  const std::u16string plain = lum::FromAnsi(SampleBytes(static_cast<std::size_t>(state.range(0))));
  const lum::Base64 codec;
  std::u16string text = plain;
  for (auto _ : state) {
    std::u16string encoded = codec.Encode(text);
    benchmark::DoNotOptimize(encoded.data());
    // Take the appended NULs off again; the variable keeps its capacity.
    text.resize(plain.size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(plain.size()));
}

void Decode(benchmark::State& state) {
  const lum::Base64 codec;
  std::u16string plain = lum::FromAnsi(SampleBytes(static_cast<std::size_t>(state.range(0))));
  const std::u16string encoded = codec.Encode(plain);
  std::u16string text;
  for (auto _ : state) {
    // Decode takes the line breaks out of its argument: give it a fresh copy
    // each time. The copy (into the capacity the variable already has) is
    // timed too; pausing the timer would cost more than the copy.
    text = encoded;
    std::u16string decoded = codec.Decode(text);
    benchmark::DoNotOptimize(decoded.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(encoded.size()));
}

BENCHMARK(Encode)->Name("Base64Encode")->Arg(1 << 10)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(Decode)->Name("Base64Decode")->Arg(1 << 10)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
