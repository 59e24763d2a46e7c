// What the network turns into a now-playing title: a datagram decodes exactly as a file of the
// same bytes reads; a TCP stream cut anywhere gives the same newest title (a blank line is none)
// and the same count of
// dropped lines as the whole stream read at once; and the title the page keeps has no control
// character left. The first byte of an input chooses where the stream is cut.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "elements/strings.h"
#include "fuzz_support.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/now_playing.h"

namespace {

struct ScratchFile {
  ScratchFile() {
    path = (std::filesystem::temp_directory_path() /
            ("rds-fuzz-title-" + std::to_string(::getpid()) + ".txt"))
               .string();
  }
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  std::string path;
};

std::string AsFile(std::string_view bytes) {
  static const ScratchFile scratch;
  std::ofstream(scratch.path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  std::optional<std::string> read = platform::ReadTextFile(scratch.path);
  fuzz::Check(read.has_value(), "a scratch file can be read");
  return *read;
}

// The stream read whole, line by line, without any bound on what it holds.
struct WholeStream {
  std::string line;
  std::optional<std::string> newest;
  uint64_t oversized = 0;
  void end() {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string_view text = line;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const bool blank = std::none_of(text.begin(), text.end(), [](char c) {
      return static_cast<unsigned char>(c) > ' ' && c != '\x7F';
    });
    if (line.size() > platform::kTitleBytesLimit)
      ++oversized;
    else if (!blank)
      newest = line;
    line.clear();
  }
  void feed(std::string_view bytes) {
    for (char c : bytes) {
      if (c == '\n')
        end();
      else
        line += c;
    }
  }
  std::optional<std::string> take() {
    std::optional<std::string> out = std::move(newest);
    newest.reset();
    return out;
  }
};

// The text the page keeps of a title: the list's lines, control characters blanked, trimmed.
std::string Kept(const std::string& title) {
  hi::THIStrList list;
  list.setStrings(title);
  hi::TData text;
  list.Text(text, 0);
  hi::THITrim trim;
  hi::TData blanked = hi::TData::Str(platform::BlankControls(hi::ToString(text)));
  trim.doTrim(blanked, 0);
  return trim.result;
}

void CheckTitle(std::string_view bytes) {
  const std::string title = platform::DecodeTitle(bytes);
  if (bytes.size() <= 2048)
    fuzz::Check(title == AsFile(bytes), "a title decodes as a file of its bytes", bytes);
  const std::string kept = Kept(title);
  for (size_t i = 0; i < kept.size(); ++i) {
    fuzz::Check(!fuzz::IsControl(kept[i]), "no control character is kept", kept);
    fuzz::Check(kept[i] != ' ' || (i > 0 && i + 1 < kept.size() && kept[i - 1] != ' '),
                "no blank at an end, no two blanks in a row", kept);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool live = (hi::SetLoopsLive(true), true);
  (void)live;
  if (size == 0) return 0;
  uint32_t cuts = data[0] | 1u;
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

  if (stream.size() <= platform::kTitleBytesLimit) CheckTitle(stream);

  platform::TitleLines lines;
  WholeStream whole;
  std::optional<std::string> last;
  size_t at = 0;
  while (at < stream.size()) {
    // A small generator picks the piece sizes: 1 byte up to a few kilobytes.
    cuts = cuts * 1103515245u + 12345u;
    const size_t piece = std::min<size_t>(stream.size() - at, 1 + (cuts >> 16) % 5000);
    lines.feed(stream.substr(at, piece));
    whole.feed(stream.substr(at, piece));
    at += piece;
    const std::optional<std::string> got = lines.take();
    fuzz::Check(got == whole.take(), "a stream cut anywhere gives the same newest line",
                got.value_or("(none)"));
    if (got) last = got;
    fuzz::Check(lines.heldBytes() <= 2 * (platform::kTitleBytesLimit + 1),
                "a stream holds at most a line", stream);
  }
  lines.finish();
  if (!whole.line.empty()) whole.end();
  const std::optional<std::string> got = lines.take();
  fuzz::Check(got == whole.take(), "the end of a stream finishes its last line",
              got.value_or("(none)"));
  if (got) last = got;
  fuzz::Check(lines.oversized() == whole.oversized, "every line too long is counted once", stream);
  if (last) {
    fuzz::Check(last->size() <= platform::kTitleBytesLimit, "no title is longer than the limit",
                *last);
    fuzz::Check(last->find('\n') == std::string::npos, "a line holds no line feed", *last);
    CheckTitle(*last);
  }
  return 0;
}
