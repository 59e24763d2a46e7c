#include "elements/system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace hi;

namespace system_test {

// Records every desktop call; dialogs answer with what the test has prepared.
class RecordingDesktop : public platform::Desktop {
 public:
  std::vector<std::string> calls;
  std::optional<std::string> fileAnswer;
  std::vector<platform::FileDialogRequest> dialogs;
  bool fontOk = false;
  hi::TFontRecord fontAnswer;
  bool application = true;

  std::optional<std::string> openFile(const platform::FileDialogRequest& r) override {
    dialogs.push_back(r);
    return fileAnswer;
  }
  void putClipboard(const std::string& text, bool ansi) override {
    calls.push_back("clipboard " + text + (ansi ? " ansi" : " unicode"));
  }
  void shellOpen(const std::string& file, const std::string& params, int show) override {
    calls.push_back("open " + file + " " + params + " " + std::to_string(show));
  }
  void setKeyboardLayout(const std::string& layout) override {
    calls.push_back("layout " + layout);
  }
  void setTopMost(int32_t w, bool top) override {
    calls.push_back("topmost " + std::to_string(w) + (top ? " on" : " off"));
  }
  void startWindowMove(int32_t w) override { calls.push_back("move " + std::to_string(w)); }
  bool chooseFont(hi::TFontRecord& font) override {
    calls.push_back("font dialog " + font.name + " " + std::to_string(font.size));
    if (fontOk) font = fontAnswer;
    return fontOk;
  }
  void setApplicationTitle(const std::string& t) override { calls.push_back("title " + t); }
  bool hasApplication() const override { return application; }
};

class Sink : public TDebug {
 public:
  std::vector<std::string> got;
  TData answer;
  void doChange(TData& d, uint16_t) { got.push_back("change " + Show(d)); }
  void doSame(TData& d, uint16_t) { got.push_back("same " + Show(d)); }
  void doRecord(TData& d, uint16_t) { got.push_back(Show(d)); }
  void doFont(TData& d, uint16_t) {
    got.push_back("font " + d.font->name + " " + std::to_string(d.font->size) + " " +
                  std::to_string(d.font->style) + " " + std::to_string(d.font->color));
  }
  void Value(TData& d, uint16_t) { d = answer; }
  static std::string Show(const TData& d) {
    switch (d.baseType()) {
      case dtNull:
        return "null";
      case dtString:
        return "s:" + d.text;
      default:
        return ToString(d);
    }
  }
};

class SystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLoopsLive(true);
    platform::SetDesktopServices(&desktop);
  }
  void TearDown() override { platform::SetDesktopServices(nullptr); }
  template <auto M, class E>
  void call(E& element, TData data = TData()) {
    TLink l;
    link<M>(l, element);
    Fire(l, data);
  }
  RecordingDesktop desktop;
  Sink sink;
};

}  // namespace system_test

using namespace system_test;

TEST_F(SystemTest, ChangeMonComparesTypeAndValue) {
  THIChangeMon mon;
  link<&Sink::doChange>(mon.onChange, sink);
  link<&Sink::doSame>(mon.onSame, sink);
  for (const TData& v :
       {TData(), TData::Int(5), TData::Int(5), TData::Int(6), TData::Str("6"), TData::Str("6"),
        TData::Str("a"), TData::Str("A"), TData::Real(1.5), TData::Real(1.5)})
    call<&THIChangeMon::doCheck>(mon, v);
  EXPECT_EQ(sink.got, (std::vector<std::string>{"same null", "change 5", "same 5", "change 6",
                                                "change s:6", "same s:6", "change s:a",
                                                "change s:A", "change 1.5", "same 1.5"}));
}

TEST_F(SystemTest, OpenDialogIsMadeOnceAndReportsCancel) {
  THIODialog dialog;
  dialog.title = "Template";
  dialog.filter = "txt|*.txt*";
  dialog.fileName = "ps.txt";
  link<&Sink::doRecord>(dialog.onExecute, sink);
  link<&Sink::doChange>(dialog.onCancel, sink);
  call<&THIODialog::doExecute>(dialog);
  dialog.title = "Changed later";
  desktop.fileAnswer = "/data/rt.txt";
  call<&THIODialog::doExecute>(dialog, TData::Str("ignored: the property is set"));
  EXPECT_EQ(sink.got, (std::vector<std::string>{"change null", "s:/data/rt.txt"}));
  ASSERT_EQ(desktop.dialogs.size(), 2u);
  EXPECT_EQ(desktop.dialogs[1].title, "Template");
  EXPECT_EQ(desktop.dialogs[1].filter, "txt|*.txt*");
  EXPECT_EQ(desktop.dialogs[1].fileName, "ps.txt");
}

TEST_F(SystemTest, HostCallsTakeTheirInputsInOrder) {
  THIClipboard clipboard;
  call<&THIClipboard::doPut>(clipboard, TData::Str("RT text"));
  clipboard.ansi = 1;
  call<&THIClipboard::doPut>(clipboard, TData::Str("bytes"));

  THIWinExec exec;  // FileName is read before Params
  TData args;
  AppendChain(args, TData::Str("http://example.org"));
  AppendChain(args, TData::Str("-x"));
  call<&THIWinExec::doShellExec>(exec, args);

  THIKeyboardLayout layout;
  call<&THIKeyboardLayout::doSetLayout>(layout);

  THIWinTools tools;
  THIMoveWindow mover;
  sink.answer = TData::Int(77);
  link<&Sink::Value>(tools.Handle, sink);
  link<&Sink::Value>(mover.Handle, sink);
  call<&THIWinTools::doTopMost>(tools, TData::Int(0));
  call<&THIWinTools::doTopMost>(tools, TData::Str("0"));
  call<&THIMoveWindow::doMove>(mover);

  THIApplication app;
  call<&THIApplication::doTitle>(app, TData::Str(""));
  call<&THIApplication::doTitle>(app, TData::Int(42));
  desktop.application = false;
  call<&THIApplication::doTitle>(app, TData::Str("no application yet"));

  EXPECT_EQ(desktop.calls,
            (std::vector<std::string>{"clipboard RT text unicode", "clipboard bytes ansi",
                                      "open http://example.org -x 1", "layout 00000409",
                                      "topmost 77 off", "topmost 77 on", "move 77", "title 42"}));
}

TEST_F(SystemTest, FontReadsItsInputsAndAsksTheDialog) {
  THIFont font;
  font.font.name = "Arial";
  font.font.size = 0;  // unset, so the incoming values feed Size, then Color, then Style
  link<&Sink::doFont>(font.onFont, sink);
  // Size, Color, Name, Style and Charset are read in this order; Name and Charset are set.
  TData values;
  for (int n : {12, 255, 3}) AppendChain(values, TData::Int(n));
  call<&THIFont::doFont>(font, values);
  EXPECT_EQ(sink.got.back(), "font Arial 12 3 255");

  font.dialog = 1;
  call<&THIFont::doFont>(font);  // cancelled: nothing fires
  EXPECT_EQ(sink.got.size(), 1u);
  desktop.fontOk = true;
  desktop.fontAnswer = font.font;
  desktop.fontAnswer.name = "Courier New";
  desktop.fontAnswer.style = 1;
  call<&THIFont::doFont>(font);
  EXPECT_EQ(sink.got.back(), "font Courier New 12 1 255");
  EXPECT_EQ(font.font.name, "Courier New");
  EXPECT_EQ(desktop.calls,
            (std::vector<std::string>{"font dialog Arial 12", "font dialog Arial 12"}));
}
