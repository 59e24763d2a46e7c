#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/files.h"

namespace {

// A "now playing" file of the given size in a folder of its own.
class TextFile {
 public:
  explicit TextFile(size_t size) {
    std::string pattern = (std::filesystem::temp_directory_path() / "files_bench.XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    std::string text(size, 'x');
    std::FILE* f = std::fopen(path().c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  ~TextFile() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  std::string path() const { return folder_ + "/np.txt"; }

 private:
  std::string folder_;
};

// The same cost for every file at or beyond the limit.
void BM_ReadTextFile(benchmark::State& state) {
  TextFile file(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(platform::ReadTextFile(file.path()));
}
BENCHMARK(BM_ReadTextFile)->Arg(40)->Arg(64 << 10)->Arg(16 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace
