// The whole main window, built and started as the program does, with its settings in a temporary
// folder, pseudo-terminals linked as COM ports and the clock on the virtual time host.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/resources.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/serial_pty.h"
#include "platform/time_host.h"
#include "tools/encoder_decoder.h"

namespace apptest {

namespace fs = std::filesystem;

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
    platform::IniWriteString(ini(), section, key, v);
  }
  std::string setting(const std::string& section, const std::string& key) {
    return platform::IniReadString(ini(), section, key, "");
  }
  std::string ini() const { return (folder_ / "rds.ini").string(); }

  // Builds the tree inert, makes it live and runs the start-up actions, as the program does.
  hi::MainWindow& start() {
    main_ = std::make_unique<hi::MainWindow>();
    hi::SetLoopsLive(true);
    hi::Startup().run();
    return *main_;
  }

  void closeProgram() {
    main_->form.requestClose();
    main_.reset();
  }

  // Everything that reached COM n so far.
  std::string received(int n, int waitMs = 30) { return ports_.at(n).read(waitMs); }

  void click(hi::THIWin& control) { QTest::mouseClick(control.widget(), Qt::LeftButton); }

  // The operator picks an item of a drop-down list.
  void choose(hi::THIComboBox& list, int index) {
    auto* combo = qobject_cast<QComboBox*>(list.widget());
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }

  void typePi(const std::string& text) {
    hi::THIEdit& field = main_->rdsSettingsPage->piPanel->text;
    auto* line = field.widget();
    QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(line, Qt::Key_Delete);
    QTest::keyClicks(line, QString::fromStdString(text));
  }

  hi::ConnectionPanel& connection() { return *main_->connectionPage; }
  hi::RdsSettingsPage& rds() { return *main_->rdsSettingsPage; }

  platform::VirtualTimeHost time_;
  fs::path folder_;
  std::map<int, platform::PseudoTerminal> ports_;
  std::unique_ptr<hi::MainWindow> main_;
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

}  // namespace apptest
