// The dynamic PS and RT lines built from whatever the automation's four files hold: every line
// is "PS" with exactly eight characters, or "RT" with exactly the model's width, then the
// terminator, and the terminator is the only control character in it.
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/resources.h"
#include "dyntext/dynamic_text_panel.h"
#include "fuzz_support.h"
#include "platform/files.h"
#include "platform/time_host.h"

namespace {

using hi::TData;
namespace fs = std::filesystem;

constexpr size_t kRtWidths[3] = {64, 32, 35};

class Page {
 public:
  Page() : folder_(Folder()) {
    fs::create_directories(folder_);
    platform::SetSettingsFolder(folder_.string());
    time_.setLocalTime(2026, 12, 5, 13, 45, 10);
    platform::SetTimeHost(&time_);
    hi::InitPictures();
    hi::link<&fuzz::Recorder::doRecord>(outer_.onEvent[0], ps);
    hi::link<&fuzz::Recorder::doRecord>(outer_.onEvent[1], rt);
    hi::link<&fuzz::Source::Value>(outer_.Data[7], terminator);
    page_ = &outer_.build<hi::DynamicTextPanel>(nullptr);
    hi::SetLoopsLive(true);
    const char* names[hi::DynamicTextPanel::kFiles] = {"ps.txt", "rt.txt", "temp.txt", "np.txt"};
    for (int k = 0; k < hi::DynamicTextPanel::kFiles; ++k) {
      files_[k] = (folder_ / names[k]).string();
      hi::TLink in;
      hi::link<&hi::THIEdit::doText>(in, page_->paths[k]);
      TData path = TData::Str(files_[k]);
      hi::Fire(in, path);
    }
    work(2, TData::Int(1));  // connected: both boxes may be checked
  }
  ~Page() {
    platform::SetTimeHost(nullptr);
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  void work(uint16_t input, TData value) {
    hi::TLink in;
    hi::link<&hi::THIMultiElement::doWork>(in, outer_, input);
    hi::Fire(in, value);
  }
  void write(int file, const std::string& bytes) {
    std::ofstream(files_[file], std::ios::binary | std::ios::trunc) << bytes;
  }
  void advance(uint32_t ms) { time_.advance(ms); }

  fuzz::Recorder ps, rt;
  fuzz::Source terminator;

 private:
  static fs::path Folder() {
    return fs::temp_directory_path() / ("rds-fuzz-lines-" + std::to_string(::getpid()));
  }
  fs::path folder_;
  std::string files_[hi::DynamicTextPanel::kFiles];
  platform::VirtualTimeHost time_;
  hi::THIMultiElement outer_{11, 8};
  hi::DynamicTextPanel* page_ = nullptr;
};

Page* gPage = nullptr;

void CheckLine(const TData& line, const char* command, size_t width, const std::string& end) {
  const std::string text = hi::ToString(line);
  fuzz::Check(line.baseType() == hi::dtString, "a line is a string", text);
  fuzz::Check(text.size() == 2 + width + end.size(), "a line has its exact length", text);
  fuzz::Check(text.compare(0, 2, command) == 0, "a line starts with its command", text);
  fuzz::Check(text.compare(2 + width, end.size(), end) == 0, "a line ends in the terminator", text);
  for (size_t i = 0; i < 2 + width; ++i)
    fuzz::Check(!fuzz::IsControl(text[i]), "no control character before the terminator", text);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QApplication app(*argc, *argv);
  static Page page;
  gPage = &page;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Page& page = *gPage;
  // The first byte: the model (bits 0-1), the terminator the connection page gives (bits 2-3:
  // CR LF, LF or, before a model is chosen, the empty text) and how long the engines run.
  const uint8_t setup = size > 0 ? data[0] : 0;
  if (size > 0) ++data, --size;
  const size_t model = (setup & 3u) % 3u;
  const char* const terminators[] = {"\r\n", "\n", ""};
  const unsigned terminator = ((setup >> 2) & 3u) % 3u;
  page.terminator.answer = TData::Str(terminators[terminator]);
  const std::string end = terminator == 1 ? "\n" : "\r\n";
  // Two RT refreshes at least: the first empty read after a text is held back as a writer's
  // half-done save.
  const uint32_t runMs = 2000u + 500u * ((setup >> 4) & 7u);

  const std::vector<std::string> parts = fuzz::Parts(data, size, hi::DynamicTextPanel::kFiles);
  for (int k = 0; k < hi::DynamicTextPanel::kFiles; ++k) page.write(k, parts[k]);
  page.work(10, TData::Int(static_cast<int32_t>(model)));
  // Both engines on, and the last lines forgotten, so this run sends at least one of each.
  page.work(9, TData::Int(1));
  page.ps.got.clear();
  page.rt.got.clear();
  page.advance(runMs);

  fuzz::Check(!page.ps.got.empty(), "a forgotten PS line is sent again", parts[0]);
  fuzz::Check(!page.rt.got.empty(), "a forgotten RT line is sent again", parts[1]);
  for (const TData& line : page.ps.got) CheckLine(line, "PS", 8, end);
  for (const TData& line : page.rt.got) CheckLine(line, "RT", kRtWidths[model], end);
  return 0;
}
