#include "platform/files.h"

#include <filesystem>
#include <fstream>

#include "platform/codepage.h"

namespace platform {

namespace {
std::string gSettingsFolder;
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes) {
  if (!IsRegularFile(path)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data;
  char buffer[65536];
  while (data.size() < maxBytes && in.read(buffer, sizeof buffer), in.gcount() > 0)
    data.append(buffer, static_cast<size_t>(in.gcount()));
  if (data.size() > maxBytes) data.resize(maxBytes);
  return data;
}

std::optional<std::string> ReadTextFile(const std::string& path) {
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return bytes;
  std::string_view view(*bytes);
  const bool bom = view.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom) view.remove_prefix(3);
  if (bom || IsValidUtf8(view)) return Utf8ToCp1252(view);
  return bytes;
}

const std::string& SettingsFolder() {
  if (gSettingsFolder.empty()) {
    std::error_code ec;
    gSettingsFolder = std::filesystem::current_path(ec).string();
    if (gSettingsFolder.empty()) gSettingsFolder = ".";
    gSettingsFolder += '/';
  }
  return gSettingsFolder;
}

void SetSettingsFolder(const std::string& folder) {
  gSettingsFolder = folder;
  if (!gSettingsFolder.empty() && gSettingsFolder.back() != '/' && gSettingsFolder.back() != '\\')
    gSettingsFolder += '/';
}

}  // namespace platform
