// Shared by the window-layer tests: a host window to put controls on, a sink that records every
// value it is handed, and calls of points the way links make them.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

#include "runtime/runtime.h"
#include "ui/qt_host.h"

namespace uitest {

// Records "<link index>:<value>"; strings are quoted, null is "null".
class Sink : public hi::TDebug {
 public:
  std::vector<std::string> lines;
  void doLog(hi::TData& data, uint16_t index) {
    std::string value = data.isNull()                     ? "null"
                        : data.baseType() == hi::dtString ? "'" + data.text + "'"
                                                          : hi::ToString(data);
    lines.push_back(std::to_string(index) + ":" + value);
  }
  // Answers `answer` to every read.
  hi::TData answer;
  void Value(hi::TData& data, uint16_t) { data = answer; }
};

template <class E, class B>
void Do(E& element, void (B::*point)(hi::TData&, uint16_t), hi::TData data = {}) {
  (element.*point)(data, 0);
}
template <class E, class B>
hi::TData Get(E& element, void (B::*point)(hi::TData&, uint16_t)) {
  hi::TData data;
  (element.*point)(data, 0);
  return data;
}

// The program's desktop while it lives, but for the calls a test reads back: those are recorded.
class RecordingDesktop : public ui::QtDesktop {
 public:
  RecordingDesktop() { platform::SetDesktopServices(this); }
  ~RecordingDesktop() override { platform::SetDesktopServices(nullptr); }
  std::vector<std::string> calls;
  void putClipboard(const std::string& text, bool) override { calls.push_back("copy " + text); }
  void setTopMost(int32_t w, bool on) override {
    calls.push_back("topmost " + std::to_string(w) + (on ? " on" : " off"));
  }
  void startWindowMove(int32_t w) override { calls.push_back("move " + std::to_string(w)); }
};

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hi::SetLoopsLive(true);
    host.resize(480, 320);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
  }
  hi::ControlParent parent() { return &host; }
  void Log(hi::TLink& event, uint16_t index) { hi::link<&Sink::doLog>(event, sink, index); }
  QWidget host;
  Sink sink;
};

}  // namespace uitest
