#include "elements/system.h"

#include "log_probe.h"

using namespace hi;
using namespace hi::probe;

// The test is the desktop: it logs every call, and dialogs answer with what the test has prepared.
class SystemTest : public ElementTest, public platform::Desktop {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    platform::SetDesktopServices(this);
  }
  void TearDown() override { platform::SetDesktopServices(nullptr); }
  std::optional<std::string> fileAnswer;
  std::optional<TFontRecord> fontAnswer;
  bool application = true;

  std::optional<std::string> openFile(const platform::FileDialogRequest& r) override {
    gLog.push_back("dialog " + r.title + " " + r.filter + " " + r.fileName);
    return fileAnswer;
  }
  void putClipboard(const std::string& text, bool ansi) override {
    gLog.push_back("clipboard " + text + (ansi ? " ansi" : " unicode"));
  }
  void shellOpen(const std::string& file, const std::string& params, int show) override {
    gLog.push_back("open " + file + " " + params + " " + std::to_string(show));
  }
  void setKeyboardLayout(const std::string& layout) override { gLog.push_back("layout " + layout); }
  void setTopMost(int32_t w, bool top) override {
    gLog.push_back("topmost " + std::to_string(w) + (top ? " on" : " off"));
  }
  void startWindowMove(int32_t w) override { gLog.push_back("move " + std::to_string(w)); }
  bool chooseFont(TFontRecord& font) override {
    gLog.push_back("font dialog " + font.name + " " + std::to_string(font.size));
    if (fontAnswer) font = *fontAnswer;
    return fontAnswer.has_value();
  }
  void setApplicationTitle(const std::string& t) override { gLog.push_back("title " + t); }
  bool hasApplication() const override { return application; }
};

struct FontLog : TDebug {
  void doFont(TData& d, uint16_t) {
    const TFontRecord& f = *d.font;
    gLog.push_back("font " + f.name + " " + std::to_string(f.size) + " " + std::to_string(f.style) +
                   " " + std::to_string(f.color));
  }
};

TEST_F(SystemTest, ChangeMonComparesTypeAndValue) {
  THIChangeMon mon;
  Sinks({{&mon.onChange, "change"}, {&mon.onSame, "same"}});
  for (const TData& v : {D(), D::Int(5), D::Int(5), D::Int(6), D::Str("6"), D::Str("a"),
                         D::Str("A"), D::Real(1.5), D::Real(1.5)})
    Call<&THIChangeMon::doCheck>(mon, v);
  // Forgotten, the same value is news again.
  Call<&THIChangeMon::doClear>(mon);
  Call<&THIChangeMon::doCheck>(mon, D::Real(1.5));
  EXPECT_EQ(gLog, (Log{"same null", "change i:5", "same i:5", "change i:6", "change s:6",
                       "change s:a", "change s:A", "change r:1.5", "same r:1.5", "change r:1.5"}));
}

TEST_F(SystemTest, OpenDialogIsMadeOnceAndReportsCancel) {
  THIODialog dialog;
  dialog.title = "Template";
  dialog.filter = "txt|*.txt*";
  dialog.fileName = "ps.txt";
  Sinks({{&dialog.onExecute, "ok"}, {&dialog.onCancel, "cancel"}});
  Call<&THIODialog::doExecute>(dialog);
  dialog.title = "Changed later";
  fileAnswer = "/data/rt.txt";
  Call<&THIODialog::doExecute>(dialog, D::Str("ignored: the property is set"));
  EXPECT_EQ(gLog, (Log{"dialog Template txt|*.txt* ps.txt", "cancel null",
                       "dialog Template txt|*.txt* ps.txt", "ok s:/data/rt.txt"}));
}

TEST_F(SystemTest, HostCallsTakeTheirInputsInOrder) {
  THIClipboard clipboard;
  Call<&THIClipboard::doPut>(clipboard, D::Str("RT text"));
  clipboard.ansi = 1;
  Call<&THIClipboard::doPut>(clipboard, D::Str("bytes"));
  THIWinExec exec;  // FileName is read before Params
  Call<&THIWinExec::doShellExec>(exec, Chain({D::Str("http://example.org"), D::Str("-x")}));
  THIKeyboardLayout layout;
  Call<&THIKeyboardLayout::doSetLayout>(layout);

  THIWinTools tools;
  THIMoveWindow mover;
  Source(tools.Handle, D::Int(77), "handle");
  Source(mover.Handle, D::Int(78), "handle");
  for (const TData& v : {D::Int(0), D::Str("0")}) Call<&THIWinTools::doTopMost>(tools, v);
  Call<&THIMoveWindow::doMove>(mover);

  THIApplication app;
  for (const TData& v : {D::Str(""), D::Int(42)}) Call<&THIApplication::doTitle>(app, v);
  application = false;
  Call<&THIApplication::doTitle>(app, D::Str("no application yet"));
  EXPECT_EQ(gLog,
            (Log{"clipboard RT text unicode", "clipboard bytes ansi",
                 "open http://example.org -x 1", "layout 00000409", "read handle", "topmost 77 off",
                 "read handle", "topmost 77 on", "read handle", "move 78", "title 42"}));
}

TEST_F(SystemTest, FontReadsItsInputsAndAsksTheDialog) {
  THIFont font;
  FontLog fonts;
  font.font.name = "Arial";
  font.font.size = 0;  // unset, so the incoming values feed Size, then Color, then Style
  link<&FontLog::doFont>(font.onFont, fonts);
  Call<&THIFont::doFont>(font, Chain({D::Int(12), D::Int(255), D::Int(3)}));
  font.dialog = 1;
  Call<&THIFont::doFont>(font);  // cancelled: nothing fires
  fontAnswer = font.font;
  fontAnswer->name = "Courier New";
  Call<&THIFont::doFont>(font);
  EXPECT_EQ(gLog, (Log{"font Arial 12 3 255", "font dialog Arial 12", "font dialog Arial 12",
                       "font Courier New 12 3 255"}));
}
