#include "ui/form.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "support/temp_folder.h"
#include "tests/ui/ui_support.h"
#include "ui/qt_host.h"

using namespace hi;
using uitest::Do;
using uitest::Sink;
using Lines = std::vector<std::string>;

namespace {

// Records what the form looked like when its events arrived.
class FormProbe : public TDebug {
 public:
  explicit FormProbe(THIMainForm& form) : form_(form) {}
  Lines log;
  void doCreate(TData&, uint16_t) { log.push_back(form_.visible() ? "create shown" : "create"); }
  void doClose(TData&, uint16_t i) {
    log.push_back("close " + std::to_string(i) + (LoopsLive() ? " live" : " inert"));
  }

 private:
  THIMainForm& form_;
};

class FormTest : public ::testing::Test {
 protected:
  TempSettingsFolder folder{"rds_form"};
  std::string folder_ = folder.string();
};

}  // namespace

// Start-up fires onCreate, then shows the forms meant to be visible; the window system's
// activation and focus become the form's events.
TEST_F(FormTest, StartUpFiresOnCreateThenShowsByVisibleAndActivationEvents) {
  THIMainForm main, info;
  info.setVisible(false);
  FormProbe probe(main);
  link<&FormProbe::doCreate>(main.onCreate, probe);
  Sink sink;
  link<&Sink::doLog>(main.onActivate, sink, 0);
  link<&Sink::doLog>(main.onDeactivate, sink, 1);
  link<&Sink::doLog>(main.onSetFocus, sink, 2);
  link<&Sink::doLog>(main.onKillFocus, sink, 3);
  EXPECT_FALSE(main.visible());  // built hidden
  EXPECT_EQ(THIMainForm::mainForm(), &main);
  SetLoopsLive(true);
  Startup().run();
  EXPECT_EQ(probe.log, Lines{"create"});
  EXPECT_TRUE(main.visible());
  EXPECT_FALSE(info.visible());
  QEvent activate(QEvent::WindowActivate), deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(main.widget(), &activate);
  QCoreApplication::sendEvent(main.widget(), &deactivate);
  EXPECT_EQ(sink.lines, (Lines{"0:null", "2:null", "1:null", "3:null"}));
}

TEST_F(FormTest, CloseVetoThenCloseOrder) {
  THIMainForm main, info;
  FormProbe probe(main);
  Sink veto;
  veto.answer = TData::Int(1);
  link<&Sink::Value>(main.CloseVeto, veto);
  link<&FormProbe::doClose>(main.onClose, probe, 0);
  link<&FormProbe::doClose>(info.onClose, probe, 1);
  SetLoopsLive(true);
  Startup().run();

  Do(main, &THIMainForm::doClose);
  EXPECT_TRUE(probe.log.empty() && main.visible() && !THIMainForm::mainClosed());

  // The window system's close request takes the same path: an info window only hides.
  info.widget()->close();
  EXPECT_TRUE(!info.visible() && LoopsLive());
  EXPECT_EQ(probe.log, Lines{"close 1 live"});
  info.setVisible(true);

  probe.log.clear();
  veto.answer = TData::Int(0);
  Do(main, &THIMainForm::doClose);
  Do(main, &THIMainForm::doClose);  // closed once only
  EXPECT_EQ(probe.log, (Lines{"close 1 live", "close 0 live"}));
  EXPECT_TRUE(!LoopsLive() && THIMainForm::mainClosed() && !main.visible() && !info.visible());
}

TEST_F(FormTest, StoredPositionAppliesOnFirstShowWithinReachAndAnUnshownOneIsNotSaved) {
  const std::string ini = folder_ + "/rds.ini";
  ASSERT_TRUE(platform::IniWriteEntries(ini, "General window",
                                        {{"Top", "77"}, {"Width", "600"}, {"Height", "480"}}));
  ASSERT_TRUE(platform::IniWriteEntries(
      ini, "Damaged window",
      {{"Left", "-99999"}, {"Top", "99999999999"}, {"Width", "0"}, {"Height", "-3"}}));
  THIMainForm main, damaged, info;
  main.positionPlace = "rds.ini\\General window";
  main.setBounds(5, 0, 565, 464);
  damaged.positionPlace = "rds.ini\\Damaged window";
  damaged.setBounds(5, 10, 565, 464);
  info.positionPlace = "rds.ini\\Info window";
  info.setVisible(false);
  SetLoopsLive(true);
  Startup().run();
  // No stored Left: the designed one stays.
  EXPECT_EQ((std::array{main.left(), main.top(), main.width(), main.height()}),
            (std::array{5, 77, 600, 480}));
  // A damaged place keeps the window reachable.
  EXPECT_EQ((std::array{damaged.left(), damaged.top(), damaged.width(), damaged.height()}),
            (std::array{5, 10, 565, 464}));
  Do(main, &THIMainForm::doClose);
  // The info window was never shown, so its (unloaded) place is not written over.
  EXPECT_EQ(platform::ReadWholeFile(ini)->find("[Info window]"), std::string::npos);
}

namespace {
// Closes its main form from the form's own start-up event.
class ProgramRoot : public TRootContainer {
 public:
  explicit ProgramRoot(Lines& log) : probe(form), log_(log) {
    link<&THIMainForm::doClose>(form.onCreate, form);
    link<&FormProbe::doClose>(form.onClose, probe);
  }
  ~ProgramRoot() override {
    log_ = probe.log;
    log_.push_back(LoopsLive() ? "destroy live" : "destroy inert");
  }
  THIMainForm form;
  FormProbe probe;

 private:
  Lines& log_;
};
}  // namespace

TEST_F(FormTest, ClosedByItsOwnStartUpTheMessageLoopIsNotEntered) {
  Lines log;
  EXPECT_EQ(ui::RunQtProgram([&] { return std::make_unique<ProgramRoot>(log); }), 0);
  EXPECT_EQ(log, (Lines{"close 0 live", "destroy inert"}));
}
