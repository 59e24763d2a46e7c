#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <chrono>
#include <thread>

#include "platform/service_notify.h"
#include "support/notify_socket.h"
#include "tests/ui/ui_support.h"
#include "ui/form.h"
#include "ui/qt_host.h"

using namespace hi;

TEST(QtTimeHost, TimersTickOnTheEventLoopAndTimeIsLocal) {
  ui::QtTimeHost host;
  int ticks = 0;
  std::unique_ptr<platform::HostTimer> timer;
  timer = host.createTimer([&] {
    if (++ticks == 3) timer->stop();
  });
  const uint32_t begin = host.tickCount();
  timer->start(10);
  QTRY_COMPARE_WITH_TIMEOUT(ticks, 3, 2000);
  QTest::qWait(40);
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(timer->active());
  EXPECT_GE(host.tickCount() - begin, 30u);

  // The host's local time lies between two readings of Qt's clock, at any hour, midnight too.
  const QDateTime before = QDateTime::currentDateTime();
  const platform::LocalDateTime now = host.now();
  const QDateTime after = QDateTime::currentDateTime();
  const QDateTime local(QDate(now.year, now.month, now.day),
                        QTime(now.hour, now.minute, now.second, now.millisecond));
  EXPECT_TRUE(before <= local && local <= after) << local.toString(Qt::ISODateWithMs).toStdString();
  EXPECT_EQ(now.dayOfWeek, local.date().dayOfWeek() % 7);
}

// The pings come from the window thread's loop: while that thread is held up none arrive, so the
// service manager restarts a program whose loop hangs.
TEST(QtTimeHost, WatchdogPingsStopWhileTheWindowThreadIsHeldUp) {
  NotifySocket manager;
  ASSERT_TRUE(manager.listening());
  manager.watchdog(100000, ::getpid());
  ui::QtTimeHost host;
  platform::SetTimeHost(&host);
  platform::ServiceWatchdog watchdog;
  EXPECT_EQ(watchdog.pingMs(), 50u);
  QTest::qWait(300);
  EXPECT_GE(manager.messages().size(), 3u);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(manager.messages().size(), 0u);
  QTest::qWait(300);
  EXPECT_GE(manager.messages().size(), 3u);
  platform::SetTimeHost(nullptr);
}

TEST(QtDesktop, FiltersClipboardTitleAndTopMost) {
  EXPECT_EQ(ui::QtFileFilter("txt|*.txt*"), "txt (*.txt*)");
  EXPECT_EQ(ui::QtFileFilter("Text|*.txt;*.log|All|*"), "Text (*.txt *.log);;All (*)");
  EXPECT_EQ(ui::QtFileFilter(""), "");

  ui::QtDesktop desktop;
  EXPECT_FALSE(desktop.hasApplication());
  desktop.putClipboard("\x80 5\xB0", true);
  EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("€ 5°"));
  desktop.putClipboard("caf\xE9", false);
  EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("café"));

  THIMainForm main;
  EXPECT_TRUE(desktop.hasApplication());
  desktop.setApplicationTitle("RT: Caf\xE9");
  EXPECT_EQ(main.widget()->windowTitle(), QString::fromUtf8("RT: Café"));
  desktop.setTopMost(main.handle(), true);
  EXPECT_TRUE(main.widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  desktop.setTopMost(main.handle(), false);
  EXPECT_FALSE(main.widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  desktop.setTopMost(-5, true);  // an unknown handle is ignored
  desktop.startWindowMove(-5);
}
