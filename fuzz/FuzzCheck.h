#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

// A broken property throws what nothing catches: the program ends and
// libFuzzer reports a crash, keeping the input.
#define FUZZ_CHECK(ok) ((ok) ? void() : throw std::logic_error("property broken: " #ok))

// The fuzzer's property, checked on one input: each fuzzer defines it, and
// includes this header once, which gives it its entry point.
static void FuzzOne(FuzzedDataProvider&& input);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzOne(FuzzedDataProvider(data, size));
  return 0;
}

#ifdef BREVIX_FUZZ_REPLAY
// Without libFuzzer the fuzzer takes each file named on its command line
// once, so that its seeds run as an ordinary test; the last name it prints
// is the seed that broke the property.
int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::fprintf(stderr, "%s\n", argv[i]);
    const std::string bytes(std::istreambuf_iterator<char>(std::ifstream(argv[i], std::ios::binary).rdbuf()), {});
    FuzzOne(FuzzedDataProvider(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  }
  return argc > 1 ? 0 : 1;
}
#endif
