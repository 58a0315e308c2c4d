// Throughput of Base64 Encode and Decode on texts of about 1 Mi and 64 Mi
// characters, each size also one and two characters longer, so that the
// lengths cover every remainder modulo 3 (Encode appends one or two NULs to
// its argument unless the length is a multiple of 3). Rates count the input
// of each call: the plain text's characters for Encode, the Base64 text's
// characters (CR LF included) for Decode; one character is one byte in the
// code page.
//
// Every call gets a fresh argument, as a program that encodes or decodes a
// text it has just made: a copy whose capacity is its length. Making the copy
// is not timed.
//
// The plain texts are the code page's reading of sample bytes: the file
// <size>.bin in the folder named by BREVIX_BENCH_DATA when that is set (so
// that other tools can be timed on the very same bytes), random bytes
// otherwise.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

#include "base64/Base64.h"
#include "platform/CodePage.h"

namespace {

std::string SampleBytes(std::size_t size) {
  if (const char* folder = std::getenv("BREVIX_BENCH_DATA")) {
    // Read into a string made at its size: a string grown while reading
    // would leave the allocator keeping memory that a program which has just
    // made its text does not find, and the calls timed would then run faster.
    const std::string path = std::string(folder) + "/" + std::to_string(size) + ".bin";
    std::ifstream in(path, std::ios::binary);
    std::string bytes(size, '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(size)) || in.peek() != std::ifstream::traits_type::eof()) {
      throw std::runtime_error("cannot read " + std::to_string(size) + " bytes from " + path);
    }
    return bytes;
  }
  std::mt19937_64 random(size);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  return bytes;
}

// Runs `code(argument)` once per iteration on a fresh copy of `text`, made
// with the timer stopped.
template <typename Code>
void OnFreshCopies(benchmark::State& state, const std::u16string& text, const Code& code) {
  for (auto _ : state) {
    state.PauseTiming();
    std::u16string argument(text);
    state.ResumeTiming();
    std::u16string result = code(argument);
    benchmark::DoNotOptimize(result.data());
    // The copies go with the timer stopped as well.
    state.PauseTiming();
    result = {};
    argument = {};
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void Encode(benchmark::State& state) {
  const std::u16string plain = lum::FromAnsi(SampleBytes(static_cast<std::size_t>(state.range(0))));
  const lum::Base64 codec;
  OnFreshCopies(state, plain, [&codec](std::u16string& text) { return codec.Encode(text); });
}

void Decode(benchmark::State& state) {
  const lum::Base64 codec;
  std::u16string plain = lum::FromAnsi(SampleBytes(static_cast<std::size_t>(state.range(0))));
  const std::u16string encoded = codec.Encode(plain);
  OnFreshCopies(state, encoded, [&codec](std::u16string& text) { return codec.Decode(text); });
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
  for (const std::int64_t size : {std::int64_t{1} << 20, std::int64_t{64} << 20}) {
    for (std::int64_t more = 0; more < 3; ++more) benchmark->Arg(size + more);
  }
}

BENCHMARK(Encode)->Name("Base64Encode")->Apply(Sizes)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(Decode)->Name("Base64Decode")->Apply(Sizes)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
