#include <unistd.h>

#include <QTimer>
#include <filesystem>

#include "elements/settings.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "tests/ui/ui_support.h"
#include "ui/form.h"
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
  void SetUp() override { platform::SetSettingsFolder(folder_ + "/"); }
  void TearDown() override {
    platform::SetSettingsFolder("");
    std::filesystem::remove_all(folder_);
  }
  std::string folder_ =
      ::mkdtemp((std::filesystem::temp_directory_path() / "rds_form.XXXXXX").string().data());
};

}  // namespace

TEST_F(FormTest, StartUpFiresOnCreateThenShowsByVisible) {
  THIMainForm main, info;
  info.setVisible(false);
  FormProbe probe(main);
  link<&FormProbe::doCreate>(main.onCreate, probe);
  EXPECT_FALSE(main.visible());  // built hidden
  EXPECT_TRUE(main.isMain());
  EXPECT_FALSE(info.isMain());
  EXPECT_EQ(THIMainForm::mainForm(), &main);
  SetLoopsLive(true);
  Startup().run();
  EXPECT_EQ(probe.log, Lines{"create"});
  EXPECT_TRUE(main.visible());
  EXPECT_FALSE(info.visible());
  Do(info, &THIMainForm::doVisible, TData::Int(1));
  EXPECT_TRUE(info.visible());
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
  EXPECT_TRUE(probe.log.empty());
  EXPECT_TRUE(main.visible());
  EXPECT_FALSE(THIMainForm::mainClosed());

  // The window system's close request takes the same path: an info window only hides.
  info.widget()->close();
  EXPECT_FALSE(info.visible());
  EXPECT_TRUE(LoopsLive());
  EXPECT_EQ(probe.log, Lines{"close 1 live"});
  info.setVisible(true);

  probe.log.clear();
  veto.answer = TData::Int(0);
  Do(main, &THIMainForm::doClose);
  EXPECT_EQ(probe.log, (Lines{"close 1 live", "close 0 live"}));
  EXPECT_FALSE(LoopsLive());
  EXPECT_TRUE(THIMainForm::mainClosed());
  EXPECT_FALSE(main.visible());
  EXPECT_FALSE(info.visible());
  Do(main, &THIMainForm::doClose);  // closed once only
  EXPECT_EQ(probe.log.size(), 2u);
}

TEST_F(FormTest, ActivationEvents) {
  THIMainForm main;
  Sink sink;
  link<&Sink::doLog>(main.onActivate, sink, 0);
  link<&Sink::doLog>(main.onDeactivate, sink, 1);
  link<&Sink::doLog>(main.onSetFocus, sink, 2);
  link<&Sink::doLog>(main.onKillFocus, sink, 3);
  SetLoopsLive(true);
  Startup().run();
  QEvent activate(QEvent::WindowActivate), deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(main.widget(), &activate);
  QCoreApplication::sendEvent(main.widget(), &deactivate);
  EXPECT_EQ(sink.lines, (Lines{"0:null", "2:null", "1:null", "3:null"}));
}

TEST_F(FormTest, StoredPositionAppliesOnFirstShowAndIsSavedOnClose) {
  platform::IniWriteEntries(folder_ + "/rds.ini", "General window",
                            {{"Top", "77"}, {"Width", "600"}, {"Height", "480"}});
  THIMainForm main, info;
  main.positionPlace = "rds.ini\\General window";
  main.setBounds(5, 0, 565, 464);
  info.positionPlace = "rds.ini\\Info window";
  info.setBounds(35, 105, 550, 143);
  info.setVisible(false);
  SetLoopsLive(true);
  Startup().run();
  // No stored Left: the designed one stays.
  EXPECT_EQ((std::array{main.left(), main.top(), main.width(), main.height()}),
            (std::array{5, 77, 600, 480}));

  main.widget()->move(40, 50);
  Do(main, &THIMainForm::doClose);
  WindowPosition stored{0, 0, 0, 0};
  ASSERT_TRUE(LoadWindowPosition("rds.ini\\General window", stored));
  EXPECT_EQ((std::array{stored.left, stored.top, stored.width, stored.height}),
            (std::array{40, 50, 600, 480}));
  // The info window was never shown, so its (unloaded) place is not written over.
  EXPECT_EQ(platform::ReadWholeFile(folder_ + "/rds.ini")->find("[Info window]"),
            std::string::npos);
}

TEST_F(FormTest, DamagedStoredPositionKeepsTheWindowReachable) {
  platform::IniWriteEntries(
      folder_ + "/rds.ini", "General window",
      {{"Left", "-99999"}, {"Top", "99999999999"}, {"Width", "0"}, {"Height", "-3"}});
  THIMainForm main;
  main.positionPlace = "rds.ini\\General window";
  main.setBounds(5, 10, 565, 464);
  SetLoopsLive(true);
  Startup().run();
  EXPECT_EQ((std::array{main.left(), main.top(), main.width(), main.height()}),
            (std::array{5, 10, 565, 464}));
}

namespace {
class ProgramRoot : public TRootContainer {
 public:
  ProgramRoot(Lines& log, bool closeAtStart) : probe(form), log_(log) {
    if (closeAtStart) {
      link<&THIMainForm::doClose>(form.onCreate, form);
    } else {
      link<&FormProbe::doCreate>(form.onCreate, probe);
    }
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

TEST_F(FormTest, MessageLoopRunsUntilTheMainFormCloses) {
  Lines log;
  int code = ui::RunQtProgram([&] {
    auto root = std::make_unique<ProgramRoot>(log, false);
    THIMainForm* form = &root->form;
    QTimer::singleShot(0, [form] {
      EXPECT_TRUE(form->visible());
      Do(*form, &THIMainForm::doClose);
    });
    return root;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(log, (Lines{"create", "close 0 live", "destroy inert"}));

  // Closed by its own start-up: the loop is not entered at all.
  code = ui::RunQtProgram([&] { return std::make_unique<ProgramRoot>(log, true); });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(log, (Lines{"close 0 live", "destroy inert"}));
}
