// A small stand-in for libFuzzer, so every target also runs as an ordinary
// test with g++: it replays the files and folders named on the command line,
// then feeds a bounded number of generated inputs (random bytes, and texts
// built from the characters numbers and dates are made of) to the target.
//
//   fuzz_<target> [--runs=N] [--seconds=S] [--seed=N] [corpus file or folder ...]
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_check.h"

namespace {

// The input being run, written out when a property breaks so it can be
// replayed and kept in the corpus.
const std::string* g_current = nullptr;

void OnAbort(int) {
  if (g_current != nullptr) {
    std::fprintf(stderr, "input (%zu bytes):", g_current->size());
    for (std::size_t i = 0; i < g_current->size() && i < 200; ++i)
      std::fprintf(stderr, " %02x", static_cast<unsigned char>((*g_current)[i]));
    std::fprintf(stderr, "\nwritten to crash-input\n");
    if (std::FILE* out = std::fopen("crash-input", "wb")) {
      std::fwrite(g_current->data(), 1, g_current->size(), out);
      std::fclose(out);
    }
  }
  std::signal(SIGABRT, SIG_DFL);
  std::abort();
}

void Run(const std::string& input) {
  g_current = &input;
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

int Replay(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  int count = 0;
  if (fs::is_directory(path)) {
    for (const auto& entry : fs::directory_iterator(path))
      if (entry.is_regular_file()) count += Replay(entry.path());
    return count;
  }
  std::ifstream in(path, std::ios::binary);
  Run(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  return 1;
}

std::string Generate(std::mt19937_64& random) {
  static const char kAlphabet[] = "0123456789000999.,.,-+ eE/\t\r\n";
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> pick(0, sizeof kAlphabet - 2);
  int kind = static_cast<int>(random() % 16);
  std::size_t length = kind == 0 ? 1000 + random() % 5000 : random() % 40;
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    if (kind % 2 == 1)
      text.push_back(static_cast<char>(byte(random)));
    else
      text.push_back(kAlphabet[pick(random)]);
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  long runs = 100000;
  double seconds = 5.0;
  unsigned long long seed = 20260308;
  int replayed = 0;
  std::signal(SIGABRT, OnAbort);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--runs=", 7) == 0)
      runs = std::atol(argv[i] + 7);
    else if (std::strncmp(argv[i], "--seconds=", 10) == 0)
      seconds = std::atof(argv[i] + 10);
    else if (std::strncmp(argv[i], "--seed=", 7) == 0)
      seed = std::strtoull(argv[i] + 7, nullptr, 10);
    else
      replayed += Replay(argv[i]);
  }
  std::mt19937_64 random(seed);
  auto start = std::chrono::steady_clock::now();
  long done = 0;
  for (; done < runs; ++done) {
    Run(Generate(random));
    if (done % 1024 == 0 &&
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > seconds)
      break;
  }
  std::printf("replayed %d inputs, ran %ld generated inputs\n", replayed, done);
  return 0;
}
