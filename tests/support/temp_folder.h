// A fresh, empty folder under the system's temporary folder, removed with its contents when the
// object goes. Portable where mkdtemp is not.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "platform/files.h"

class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "rds") {
    std::random_device seed;
    std::mt19937_64 random(seed());
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    // create_directory reports false for a name that exists: somebody else's, try another.
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      std::filesystem::path candidate =
          base / (prefix + "." + std::to_string(random() % 1000000007));
      if (std::filesystem::create_directory(candidate, ec)) path_ = candidate;
    }
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Empty when no folder could be made.
  const std::filesystem::path& path() const { return path_; }
  std::string string() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// A fresh folder that is the program's settings folder while the object lives.
class TempSettingsFolder : public TempFolder {
 public:
  explicit TempSettingsFolder(const std::string& prefix = "rds")
      : TempFolder(prefix), saved_(platform::SettingsFolder()) {
    platform::SetSettingsFolder(string());
  }
  ~TempSettingsFolder() { platform::SetSettingsFolder(saved_); }

 private:
  std::string saved_;
};
