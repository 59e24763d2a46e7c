#include "elements/system.h"

#include "log_probe.h"

using namespace hi;
using namespace hi::probe;

// The test is the desktop: the file dialog logs its call and answers with what the test has
// prepared. The calls that only hand their input on (clipboard, window title, top-most, move, the
// font dialog) are seen in the application's tests or nowhere worth a test.
class SystemTest : public ElementTest, public platform::Desktop {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    platform::SetDesktopServices(this);
  }
  void TearDown() override { platform::SetDesktopServices(nullptr); }
  std::optional<std::string> fileAnswer;

  std::optional<std::string> openFile(const platform::FileDialogRequest& r) override {
    gLog.push_back("dialog " + r.title + " " + r.filter + " " + r.fileName);
    return fileAnswer;
  }
  bool chooseFont(TFontRecord&) override { return false; }
  void putClipboard(const std::string&, bool) override {}
  void shellOpen(const std::string&, const std::string&, int) override {}
  void setKeyboardLayout(const std::string&) override {}
  void setTopMost(int32_t, bool) override {}
  void startWindowMove(int32_t) override {}
  void setApplicationTitle(const std::string&) override {}
  bool hasApplication() const override { return true; }
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

// A cancelled dialog fires nothing but its cancel; the dialog keeps the properties it was first
// made with.
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
