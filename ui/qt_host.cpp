#include "ui/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "ui/form.h"
#include "ui/text.h"
#include "ui/win.h"

namespace ui {

namespace {
class QtTimer : public platform::HostTimer {
 public:
  explicit QtTimer(std::function<void()> onTick) : onTick_(std::move(onTick)) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
      if (running_) return;  // a modal dialog inside a tick must not tick again
      running_ = true;
      onTick_();
      running_ = false;
    });
  }
  void start(uint32_t intervalMs) override { timer_.start(static_cast<int>(Clamp(intervalMs))); }
  void stop() override { timer_.stop(); }
  void setInterval(uint32_t intervalMs) override {
    if (timer_.isActive()) {
      start(intervalMs);
    } else {
      timer_.setInterval(static_cast<int>(Clamp(intervalMs)));
    }
  }
  bool active() const override { return timer_.isActive(); }

 private:
  static uint32_t Clamp(uint32_t ms) { return std::clamp<uint32_t>(ms, 1, 0x7FFFFFFF); }
  std::function<void()> onTick_;
  QTimer timer_;
  bool running_ = false;
};

class QtSocketWatch : public platform::SocketWatch {
 public:
  QtSocketWatch(intptr_t socket, std::function<void()> onReadable)
      : state_(std::make_shared<State>()),
        notifier_(new QSocketNotifier(static_cast<qintptr>(socket), QSocketNotifier::Read)) {
    state_->onReadable = std::move(onReadable);
    QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [state = state_] {
      ++state->calls;
      state->onReadable();
      --state->calls;
    });
  }
  QtSocketWatch(const QtSocketWatch&) = delete;
  QtSocketWatch& operator=(const QtSocketWatch&) = delete;
  ~QtSocketWatch() override {
    notifier_->setEnabled(false);
    // Ended from inside its own call: the notifier is still in its signal.
    if (state_->calls > 0)
      notifier_->deleteLater();
    else
      delete notifier_;
  }

 private:
  struct State {
    std::function<void()> onReadable;
    int calls = 0;
  };
  std::shared_ptr<State> state_;
  QSocketNotifier* notifier_;
};

QWidget* WindowOf(int32_t handle) {
  QWidget* widget = hi::WidgetFromHandle(handle);
  return widget ? widget->window() : nullptr;
}
}  // namespace

platform::LocalDateTime QtTimeHost::now() {
  const QDateTime t = QDateTime::currentDateTime();
  platform::LocalDateTime out;
  out.year = t.date().year();
  out.month = t.date().month();
  out.day = t.date().day();
  out.dayOfWeek = t.date().dayOfWeek() % 7;  // Qt counts Monday 1 .. Sunday 7
  out.hour = t.time().hour();
  out.minute = t.time().minute();
  out.second = t.time().second();
  out.millisecond = t.time().msec();
  return out;
}

uint32_t QtTimeHost::tickCount() {
  static QElapsedTimer clock = [] {
    QElapsedTimer c;
    c.start();
    return c;
  }();
  return static_cast<uint32_t>(clock.elapsed());
}

std::unique_ptr<platform::HostTimer> QtTimeHost::createTimer(std::function<void()> onTick) {
  return std::make_unique<QtTimer>(std::move(onTick));
}

std::unique_ptr<platform::SocketWatch> QtTimeHost::watchSocket(intptr_t socket,
                                                               std::function<void()> onReadable) {
  return std::make_unique<QtSocketWatch>(socket, std::move(onReadable));
}

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = hi::ToQt(filter).split(QChar('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QChar(';'), QChar(' '));
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return filters.join(QStringLiteral(";;"));
}

std::optional<std::string> QtDesktop::openFile(const platform::FileDialogRequest& request) {
  QString start = hi::ToQt(request.initialDir);
  if (!start.isEmpty() && !QFileInfo(start).isDir()) start.clear();
  if (!request.fileName.empty()) start = QDir(start).filePath(hi::ToQt(request.fileName));
  hi::THIMainForm* main = hi::THIMainForm::mainForm();
  const QString path =
      QFileDialog::getOpenFileName(main ? main->widget() : nullptr, hi::ToQt(request.title), start,
                                   QtFileFilter(request.filter));
  if (path.isEmpty()) return std::nullopt;
  return hi::FromQt(QDir::toNativeSeparators(path));
}

void QtDesktop::putClipboard(const std::string& text, bool) {
  // Both forms reach the desktop as Unicode; the 8-bit text is read in the program's code page.
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(hi::ToQt(text));
}

void QtDesktop::shellOpen(const std::string& file, const std::string& params, int) {
  const QString target = hi::ToQt(file);
  if (target.isEmpty()) return;
  const QFileInfo info(target);
  if (info.isFile() && info.isExecutable()) {
    QProcess::startDetached(target, QProcess::splitCommand(hi::ToQt(params)));
    return;
  }
  const QUrl url =
      info.exists() ? QUrl::fromLocalFile(info.absoluteFilePath()) : QUrl::fromUserInput(target);
  QDesktopServices::openUrl(url);
}

void QtDesktop::setKeyboardLayout(const std::string&) {}

void QtDesktop::setTopMost(int32_t window, bool topMost) {
  QWidget* w = WindowOf(window);
  if (!w || w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topMost) return;
  const bool shown = w->isVisible();
  const QRect geometry = w->geometry();
  w->setWindowFlag(Qt::WindowStaysOnTopHint, topMost);  // Qt hides the window to change this
  w->setGeometry(geometry);
  if (shown) w->show();
}

void QtDesktop::startWindowMove(int32_t window) {
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  QWidget* w = WindowOf(window);
  if (w && w->windowHandle()) w->windowHandle()->startSystemMove();
}

bool QtDesktop::chooseFont(hi::TFontRecord& font) {
  bool ok = false;
  QFont initial = hi::FontFromRecord(font);
  initial.setPointSize(std::max<int>(1, font.size));
  hi::THIMainForm* main = hi::THIMainForm::mainForm();
  const QFont chosen = QFontDialog::getFont(&ok, initial, main ? main->widget() : nullptr);
  if (!ok) return false;
  font.name = hi::FromQt(chosen.family());
  font.size = static_cast<uint8_t>(std::clamp(chosen.pointSize(), 1, 255));
  font.style =
      static_cast<uint8_t>((chosen.weight() >= QFont::Bold ? 1 : 0) | (chosen.italic() ? 2 : 0) |
                           (chosen.underline() ? 4 : 0) | (chosen.strikeOut() ? 8 : 0));
  return true;
}

void QtDesktop::setApplicationTitle(const std::string& title) {
  if (hi::THIMainForm* main = hi::THIMainForm::mainForm()) main->setCaption(title);
}

bool QtDesktop::hasApplication() const {
  return QApplication::instance() && hi::THIMainForm::mainForm();
}

void QtMessageLoop::prepare(hi::TRootContainer&) {
  // The main form may hide into the tray; only its close ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
}

int QtMessageLoop::run() {
  if (hi::THIMainForm::mainClosed() || !QApplication::instance()) return 0;
  return QApplication::exec();
}

int RunQtProgram(const std::function<std::unique_ptr<hi::TRootContainer>()>& build) {
  QtTimeHost time;
  QtDesktop desktop;
  platform::SetTimeHost(&time);
  platform::SetDesktopServices(&desktop);
  QtMessageLoop loop;
  const int code = hi::RunProgram(loop, build);
  platform::SetDesktopServices(nullptr);
  platform::SetTimeHost(nullptr);
  return code;
}

}  // namespace ui
