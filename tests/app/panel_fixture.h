// The whole main window, built and started as the program does, with its settings in a temporary
// folder, pseudo-terminals linked as COM ports and the clock on the virtual time host.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/resources.h"
#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/serial_pty.h"
#include "platform/time_host.h"
#include "tools/encoder_decoder.h"

#if defined(__SANITIZE_ADDRESS__)
#define RDS_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RDS_TEST_ASAN 1
#endif
#endif
#ifdef RDS_TEST_ASAN
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
#include <malloc.h>
#endif

namespace apptest {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Bytes in live heap blocks, for tests that look for growth.
inline size_t LiveHeapBytes() {
#ifdef RDS_TEST_ASAN
  return __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
  return mallinfo2().uordblks;
#else
  return 0;
#endif
}

// The iteration holds one descriptor of its own, the same every time.
inline size_t OpenFileDescriptors() {
  return static_cast<size_t>(
      std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}));
}

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool picturesReady = (hi::InitPictures(), true);
    (void)picturesReady;
    folder_ = fs::temp_directory_path() /
              ("rds-panel-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_));
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "ports");
    platform::SetSettingsFolder(folder_.string());
    time_.setLocalTime(2026, 12, 5, 13, 45, 10);
    platform::SetTimeHost(&time_);
  }

  void TearDown() override {
    if (main_) closeProgram();
    platform::SetTimeHost(nullptr);
    fs::remove_all(folder_);
  }

  // COM n becomes a pseudo-terminal whose far end the test reads.
  platform::PseudoTerminal& addPort(int n) {
    auto& pty = ports_[n];
    EXPECT_TRUE(pty.create());
    EXPECT_TRUE(pty.holdSlave());
    fs::create_symlink(pty.slavePath(), folder_ / "ports" / ("com" + std::to_string(n)));
    return pty;
  }

  void writeSetting(const std::string& section, const std::string& key, const std::string& v) {
    EXPECT_TRUE(platform::IniWriteString(ini(), section, key, v));
  }
  void store(const char* section, std::initializer_list<std::pair<const char*, const char*>> keys) {
    for (const auto& [key, value] : keys) writeSetting(section, key, value);
  }
  std::string setting(const std::string& section, const std::string& key) {
    return platform::IniReadString(ini(), section, key, "");
  }
  std::string ini() const { return (folder_ / "rds.ini").string(); }
  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  // A file in the settings folder, written whole as the automation writes it.
  void writeFile(const std::string& name, const std::string& bytes) {
    std::ofstream(path(name), std::ios::binary | std::ios::trunc) << bytes;
  }
  // The dynamic page's four files named in rds.ini; those given a text are written.
  void useDynamicFiles(const char* ps, const char* rt = nullptr, const char* nowPlaying = nullptr) {
    const char* keys[] = {"Dynamic PS", "Dynamic RT", "Thermometer", "Scroll"};
    const char* names[] = {"ps.txt", "rt.txt", "temp.txt", "np.txt"};
    const char* texts[] = {ps, rt, nullptr, nowPlaying};
    for (int k = 0; k < 4; ++k) {
      writeSetting("Dynamic RT and PS", keys[k], path(names[k]));
      if (texts[k]) writeFile(names[k], texts[k]);
    }
  }

  // Builds the tree inert, makes it live and runs the start-up actions, as the program does.
  hi::MainWindow& start() {
    build();
    run();
    return *main_;
  }
  // The two halves of start(), for tests that link a probe in between.
  hi::MainWindow& build() {
    main_ = std::make_unique<hi::MainWindow>();
    return *main_;
  }
  void run() {
    hi::SetLoopsLive(true);
    hi::Startup().run();
  }

  // COM 1 (unless the test made it already) and the model stored, the window started and
  // connected.
  void startConnected(int model = 0) {
    if (!ports_.count(1)) addPort(1);
    writeSetting("Select device", "Device", std::to_string(model));
    start();
    click(connection().connect);
  }
  // The operator switches to another model.
  void chooseModel(int model) {
    click(connection().disconnect);
    choose(connection().deviceList, model);
    click(connection().connect);
  }

  // Takes an output over from the window's own link, to watch what it carries.
  template <auto M>
  static void tap(hi::TLink& output, hi::MethodOwnerOf<M>& probe) {
    output = hi::TLink();
    hi::link<M>(output, probe);
  }

  // Fires input `index` of a child container, as its parent's link would.
  void fire(hi::THIMultiElement& child, uint16_t index, hi::TData value = {}) {
    hi::TLink in;
    hi::link<&hi::THIMultiElement::doWork>(in, child, index);
    hi::Fire(in, value);
  }

  void closeProgram() {
    main_->form.requestClose();
    main_.reset();
  }

  // The program's event log from logFrom() to logged().
  void logFrom() { platform::SetEventLog(log_ = std::tmpfile()); }
  std::string logged() {
    platform::SetEventLog(nullptr);
    const std::string text =
        platform::ReadWholeFile("/proc/self/fd/" + std::to_string(fileno(log_))).value_or("");
    std::fclose(std::exchange(log_, nullptr));
    return text;
  }

  // Everything that reached COM n so far.
  std::string received(int n, int waitMs = 30) { return ports_.at(n).read(waitMs); }

  // A check box or radio button is clicked on its mark: its caption may be shorter than the
  // button is wide.
  void click(hi::THIWin& control) {
    QWidget* w = control.widget();
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (button && button->isCheckable())
      QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
    else
      QTest::mouseClick(w, Qt::LeftButton);
  }

  // The operator picks an item of a drop-down list.
  void choose(hi::THIComboBox& list, int index) {
    auto* combo = qobject_cast<QComboBox*>(list.widget());
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }

  // The operator replaces the text of a field by typing.
  void type(hi::THIEdit& field, const std::string& text) {
    auto* line = field.widget();
    QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(line, Qt::Key_Delete);
    QTest::keyClicks(line, QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  }
  void typePi(const std::string& text) {
    type(main_->rdsSettingsPage->function<protocol::Pi>().text, text);
  }

  hi::ConnectionPanel& connection() { return *main_->connectionPage; }
  hi::RdsSettingsPage& rds() { return *main_->rdsSettingsPage; }
  hi::DynamicTextPanel& dyn() { return *main_->dynamicTextPage; }

  platform::VirtualTimeHost time_;
  fs::path folder_;
  std::map<int, platform::PseudoTerminal> ports_;
  std::unique_ptr<hi::MainWindow> main_;
  std::FILE* log_ = nullptr;
  static inline int counter_ = 0;
};

// Decodes every line of `bytes` on a virtual encoder of the given model.
inline vencoder::VirtualEncoder Decode(const std::string& bytes, int model) {
  vencoder::VirtualEncoder encoder(model);
  vencoder::LineSplitter splitter;
  std::vector<std::string> lines;
  splitter.feed(bytes, lines);
  for (const auto& line : lines) EXPECT_TRUE(encoder.decode(line).ok) << line;
  return encoder;
}

// Why a line that reached a CR LF model is not a well-formed command line; empty when it is.
inline std::string Malformed(const vencoder::Decoded& d) {
  if (!d.ok) return d.error;
  if (!d.warnings.empty()) return d.warnings.front();
  if (d.terminator != "CRLF") return "ends in " + d.terminator;
  const std::string body = d.raw.substr(2, d.raw.size() - 4);
  for (unsigned char c : body)
    if (c < 32 || c == 127) return "control character in the text";
  if (d.command == "PS" && body.size() != 8) return "PS of " + std::to_string(body.size());
  return "";
}

}  // namespace apptest
