// Conversion in memory, as a library caller (the Python module) uses it:
// every document of a folder read into memory, then converted with
// ConvertInMemory on 1, 2, ... N threads at once, then the same with one
// MemoryConverter per thread. Prints the documents and
// megabytes per second for each thread count (best of three runs).
//
//   build-rel/memory_conversion_bench /usr/share/doc/postgresql-doc-15/html [THREADS]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "run/memory_conversion.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER [THREADS]\n", argv[0]);
    return 2;
  }
  const unsigned most = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2]))
                                 : std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::string> documents;
  size_t bytes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    const std::string path = entry.path().string();
    if (!entry.is_regular_file() || !(path.ends_with(".html") || path.ends_with(".htm"))) continue;
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    documents.push_back(text.str());
    bytes += documents.back().size();
  }
  std::printf("%zu documents, %.1f MB\n", documents.size(), bytes / 1e6);
  for (const bool keep : {false, true})
    for (unsigned threads = 1; threads <= most; ++threads) {
      double best = 1e9;
      for (int run = 0; run < 3; ++run) {
        std::atomic<size_t> next{0};
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> pool;
        for (unsigned t = 0; t < threads; ++t)
          pool.emplace_back([&] {
            orv::MemoryConverter converter("", false);
            for (size_t i; (i = next++) < documents.size();) {
              if (keep) {
                converter.Convert(documents[i]);
              } else {
                orv::MemoryConversionRequest request;
                request.html = documents[i];
                orv::ConvertInMemory(request);
              }
            }
          });
        for (std::thread& thread : pool) thread.join();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      }
      std::printf("%s, %u thread(s): %.2f s, %.0f documents/s, %.1f MB/s\n",
                  keep ? "MemoryConverter per thread" : "ConvertInMemory per document", threads,
                  best, documents.size() / best, bytes / 1e6 / best);
    }
  return 0;
}
