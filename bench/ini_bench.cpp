#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/ini_file.h"

namespace {

// An rds.ini of 200 keys in eight sections, in a folder of its own.
class IniFolder {
 public:
  IniFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ini_bench.XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    std::string text;
    for (int s = 0; s < 8; ++s) {
      text += "[Section " + std::to_string(s) + "]\r\n";
      for (int k = 0; k < 25; ++k)
        text += "Key" + std::to_string(k) + "=value " + std::to_string(k) + "\r\n";
    }
    std::FILE* f = std::fopen(path().c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  ~IniFolder() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  std::string path() const { return folder_ + "/rds.ini"; }

 private:
  std::string folder_;
};

void BM_IniWriteOneKeyOf200(benchmark::State& state) {
  IniFolder folder;
  int n = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        platform::IniWriteString(folder.path(), "Section 5", "Key12", std::to_string(n++)));
}
BENCHMARK(BM_IniWriteOneKeyOf200)->Unit(benchmark::kMicrosecond);

void BM_IniReadOneKeyOf200(benchmark::State& state) {
  IniFolder folder;
  for (auto _ : state)
    benchmark::DoNotOptimize(platform::IniReadInt(folder.path(), "Section 7", "Key24", 0));
}
BENCHMARK(BM_IniReadOneKeyOf200)->Unit(benchmark::kMicrosecond);

}  // namespace
