// A stand-in for libFuzzer's main so that the fuzz targets also build with
// gcc and run in the ordinary test suite: every file of the given corpus
// directories is fed once, then random mutations of them (bit flips, byte
// changes, truncations, insertions, splices) until the iteration or time
// budget is spent. Deterministic for a given --seed.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

void run(const Bytes& input) {
  // Copy into an exact-size heap block so that ASan sees every overread.
  auto* copy = static_cast<uint8_t*>(std::malloc(input.empty() ? 1 : input.size()));
  if (!input.empty()) std::memcpy(copy, input.data(), input.size());
  LLVMFuzzerTestOneInput(copy, input.size());
  std::free(copy);
}

Bytes mutate(const std::vector<Bytes>& corpus, std::mt19937_64& rng) {
  Bytes b = corpus.empty() ? Bytes{} : corpus[rng() % corpus.size()];
  const int steps = 1 + static_cast<int>(rng() % 4);
  for (int s = 0; s < steps; ++s) {
    switch (rng() % 7) {
      case 0:
        if (!b.empty()) b[rng() % b.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
        break;
      case 1:
        if (!b.empty()) b[rng() % b.size()] = static_cast<uint8_t>(rng());
        break;
      case 2:
        if (!b.empty()) b.resize(rng() % b.size());
        break;
      case 3: {
        const size_t n = 1 + rng() % 16;
        const size_t at = b.empty() ? 0 : rng() % (b.size() + 1);
        Bytes ins(n);
        for (auto& x : ins) x = static_cast<uint8_t>(rng());
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), ins.begin(), ins.end());
        break;
      }
      case 4: {  // interesting values at a random aligned offset
        static const uint32_t values[] = {0, 1, 0x7f, 0x80, 0xff, 0x7fffffff, 0x80000000u, 0xffffffffu, 24, 9012, 9013};
        if (b.size() >= 4) {
          const size_t at = (rng() % (b.size() - 3)) & ~size_t{3};
          const uint32_t v = values[rng() % std::size(values)];
          b[at] = uint8_t(v >> 24);
          b[at + 1] = uint8_t(v >> 16);
          b[at + 2] = uint8_t(v >> 8);
          b[at + 3] = uint8_t(v);
        }
        break;
      }
      case 5:
        if (corpus.size() > 1) {
          const Bytes& other = corpus[rng() % corpus.size()];
          const size_t cut = b.empty() ? 0 : rng() % b.size();
          b.resize(cut);
          b.insert(b.end(), other.begin(), other.end());
        }
        break;
      default:
        if (!b.empty()) b.push_back(b[rng() % b.size()]);
        break;
    }
  }
  if (b.size() > 20000) b.resize(20000);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  long iterations = 10000;
  double seconds = 10;
  uint64_t seed = 1;
  std::vector<Bytes> corpus;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--iterations=", 0) == 0)
      iterations = std::atol(arg.c_str() + 13);
    else if (arg.rfind("--seconds=", 0) == 0)
      seconds = std::atof(arg.c_str() + 10);
    else if (arg.rfind("--seed=", 0) == 0)
      seed = std::strtoull(arg.c_str() + 7, nullptr, 10);
    else if (std::filesystem::is_directory(arg)) {
      for (const auto& e : std::filesystem::directory_iterator(arg)) {
        std::ifstream in(e.path(), std::ios::binary);
        corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      }
    } else if (std::filesystem::is_regular_file(arg)) {
      std::ifstream in(arg, std::ios::binary);
      corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  for (const Bytes& c : corpus) run(c);
  std::mt19937_64 rng(seed);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  long done = 0;
  for (; done < iterations && std::chrono::steady_clock::now() < deadline; ++done) run(mutate(corpus, rng));
  std::printf("fuzz: %zu seeds, %ld mutated inputs, no crash\n", corpus.size(), done);
  return 0;
}
