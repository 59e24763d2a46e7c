#include "ui/tray.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QHash>
#include <QMenu>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <cstdio>

#include "platform/time_host.h"
#include "ui/form.h"
#include "ui/text.h"

namespace hi {

namespace {
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  // A closing line break does not open an empty last item.
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

constexpr size_t kTipLength = 63;

std::string CleanTip(const std::string& text) {
  std::string tip = text.substr(0, std::min(text.size(), kTipLength));
  for (char& c : tip) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32 || code == 127) c = ' ';
  }
  return tip;
}
}  // namespace

ThiPopupMenuEx::ThiPopupMenuEx() : menu_(std::make_unique<QMenu>()) {
  menu_->setFont(DefaultFont());
}

ThiPopupMenuEx::~ThiPopupMenuEx() = default;

void ThiPopupMenuEx::setItems(const std::string& text) {
  for (QMenu* sub : submenus_) delete sub;
  submenus_.clear();
  menu_->clear();
  items_.clear();

  std::vector<QMenu*> levels{menu_.get()};
  QAction* last = nullptr;  // the item a "(" would open, on the current level
  for (const std::string& line : SplitLines(text)) {
    if (line == "(") {
      QMenu* level = levels.back();
      if (last) {
        auto* sub = new QMenu(menu_.get());
        sub->setTitle(last->text());
        sub->setFont(menu_->font());
        level->insertMenu(last, sub);
        level->removeAction(last);
        const auto at = std::find(items_.begin(), items_.end(), last);
        *at = sub->menuAction();
        delete last;
        submenus_.push_back(sub);
        level = sub;
      }
      // A "(" with nothing to open still pairs with its ")".
      levels.push_back(level);
      last = nullptr;
    } else if (line == ")") {
      if (levels.size() > 1) levels.pop_back();
      last = nullptr;
    } else if (line == "-") {
      levels.back()->addSeparator();
      items_.push_back(nullptr);
      last = nullptr;
    } else {
      QAction* item = levels.back()->addAction(ToQt(line));
      const int position = static_cast<int>(items_.size());
      QObject::connect(item, &QAction::triggered, menu_.get(),
                       [this, position, item] { choose(position, item); });
      items_.push_back(item);
      last = item;
    }
  }
}

void ThiPopupMenuEx::setFont(const TFontRecord& font) {
  const QFont qfont = FontFromRecord(font);
  menu_->setFont(qfont);
  for (QMenu* sub : submenus_) sub->setFont(qfont);
}

void ThiPopupMenuEx::setPicture(int position, const std::string& path) {
  if (QAction* item = action(position)) item->setIcon(QIcon(QString::fromStdString(path)));
}

QAction* ThiPopupMenuEx::action(int position) const {
  if (position < 0 || position >= count()) return nullptr;
  return items_[static_cast<size_t>(position)];
}

void ThiPopupMenuEx::choose(int position, QAction* item) {
  // Qt flips a checkable item as it is chosen; the check marks are the program's to set (the
  // choice may be refused), so the mark stays as it was until doCheck says otherwise.
  if (item->isCheckable()) item->setChecked(!item->isChecked());
  EmitInt(onClick, position);
}

void ThiPopupMenuEx::doPopUp(TData&, uint16_t) {
  if (!items_.empty()) menu_->popup(QCursor::pos());
}

void ThiPopupMenuEx::doCheck(TData& data, uint16_t) {
  const TLink none;
  const int32_t position = ReadInteger(data, none);
  const int32_t state = ReadInteger(data, none);
  QAction* item = action(position);
  if (!item || item->menu()) return;
  item->setCheckable(true);
  item->setChecked(state == 1);
}

void ThiPopupMenuEx::doEnabled(TData& data, uint16_t) {
  const TLink none;
  const int32_t position = ReadInteger(data, none);
  const int32_t state = ReadInteger(data, none);
  if (QAction* item = action(position)) item->setEnabled(state == 1);
}

bool ThiPopupMenuEx::checked(int position) const {
  const QAction* item = action(position);
  return item && item->isChecked();
}

bool ThiPopupMenuEx::enabled(int position) const {
  const QAction* item = action(position);
  return item && item->isEnabled();
}

void ThiPopupMenuEx::pick(int position) {
  QAction* item = action(position);
  if (!item || item->menu() || !item->isEnabled()) return;
  item->trigger();
}

ThiIconAnimation::ThiIconAnimation() : timer_(platform::Time().createTimer([this] { tick(); })) {}

ThiIconAnimation::~ThiIconAnimation() = default;

void ThiIconAnimation::doStart(TData&, uint16_t) {
  timer_->stop();
  if (pictures.empty()) return;
  frame_ = 0;
  // Started before the first picture goes out, so that its cascade may stop the run.
  if (pictures.size() > 1) timer_->start(static_cast<uint32_t>(std::max<int32_t>(1, interval)));
  EmitString(onPicture, pictures.front());
}

void ThiIconAnimation::doStop(TData&, uint16_t) { timer_->stop(); }

bool ThiIconAnimation::running() const { return timer_->active(); }

void ThiIconAnimation::tick() {
  const int last = static_cast<int>(pictures.size()) - 1;
  if (frame_ >= last) {
    timer_->stop();
    return;
  }
  ++frame_;
  if (frame_ == last) timer_->stop();
  EmitString(onPicture, pictures[static_cast<size_t>(frame_)]);
}

// Sees the form's minimize, restore and close as the window system reports them, and carries
// the icon's signals; calls it queues die with it.
class THITrayIcon::Watcher : public QObject {
 public:
  explicit Watcher(THITrayIcon& owner) : owner_(owner) {}
  // Decoded once per path: the animation comes back to the same few pictures many times.
  QHash<QString, QIcon> pictures;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != owner_.form_) return false;
    if (event->type() == QEvent::Close && owner_.closeToTray) {
      event->ignore();
      owner_.toTray();
      return true;
    }
    if (event->type() != QEvent::WindowStateChange || owner_.changing_) return false;
    const bool was = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
    const bool is = owner_.form_->isMinimized();
    // The state change is still being delivered: hiding or showing the window inside it is
    // undone by some window managers, so the answer runs right after.
    if (is && !was && !owner_.minimised_ && !owner_.plainMinimize) {
      QMetaObject::invokeMethod(
          this, [this] { owner_.toTray(); }, Qt::QueuedConnection);
    } else if (was && !is && owner_.shown_) {
      QMetaObject::invokeMethod(
          this, [this] { owner_.restore(true); }, Qt::QueuedConnection);
    }
    return false;
  }

 private:
  THITrayIcon& owner_;
};

THITrayIcon::THITrayIcon(THIMainForm& form)
    : form_(form.widget()), watcher_(std::make_unique<Watcher>(*this)) {
  if (form_) form_->installEventFilter(watcher_.get());
}

THITrayIcon::~THITrayIcon() {
  watcher_.reset();
  if (icon_) icon_->hide();
}

// Made when the window first goes into the tray: the system's tray service is asked for only
// then, not while the program starts.
QSystemTrayIcon* THITrayIcon::icon() {
  if (!icon_) {
    icon_ = std::make_unique<QSystemTrayIcon>();
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated, watcher_.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) { activated(reason); });
    QObject::connect(icon_.get(), &QSystemTrayIcon::messageClicked, watcher_.get(),
                     [this] { EmitNull(onBalloonClick); });
  }
  return icon_.get();
}

void THITrayIcon::doMinimize(TData&, uint16_t) { toTray(); }

void THITrayIcon::doRestore(TData&, uint16_t) { restore(false); }

void THITrayIcon::doIcon(TData& data, uint16_t) {
  picture_ = ToString(data);
  applyPicture();
}

void THITrayIcon::doTip(TData& data, uint16_t) {
  tip = CleanTip(ToString(data));
  if (icon_) icon_->setToolTip(ToQt(tip));
}

void THITrayIcon::activate(QSystemTrayIcon::ActivationReason reason) {
  Q_EMIT icon()->activated(reason);
}

void THITrayIcon::activated(QSystemTrayIcon::ActivationReason reason) {
  int button = 0;
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      button = 0;
      break;
    case QSystemTrayIcon::Context:
      button = 1;
      break;
    case QSystemTrayIcon::MiddleClick:
      button = 2;
      break;
    case QSystemTrayIcon::DoubleClick:
      EmitInt(onDblClick, 0);
      return;
    default:
      return;
  }
  EmitInt(onMouseDown, button);
  EmitInt(onMouseUp, button);
  EmitInt(onClick, button);
}

void THITrayIcon::toTray() {
  // onHide's cascade may ask again to make sure the icon is there.
  if (hiding_) {
    showIcon();
    return;
  }
  if (!form_) return;
  const bool area = trayAvailable && trayAvailable();
  changing_ = true;
  if (area) {
    minimised_ = false;
    form_->hide();
  } else {
    // Hidden with no icon to click, the window could never be brought back.
    minimised_ = true;
    if (!form_->isMinimized()) form_->showMinimized();
  }
  changing_ = false;
  if (!area && !told_ && explainMissingArea) {
    told_ = true;
    std::fputs(
        "rdspanel: no notification area; the window is minimised instead of hidden to the tray\n",
        stderr);
  }
  hiding_ = true;
  EmitNull(onHide);
  hiding_ = false;
  showIcon();
}

void THITrayIcon::showIcon() {
  shown_ = true;
  if ((icon_ && icon_->isVisible()) || !trayAvailable || !trayAvailable()) return;
  icon()->setToolTip(ToQt(CleanTip(tip)));
  applyPicture();
  icon_->show();
}

void THITrayIcon::restore(bool bySystem) {
  if (!shown_) return;
  if (bySystem || !keepIcon) {
    shown_ = false;
    if (icon_) icon_->hide();
  }
  minimised_ = false;
  if (!form_) return;
  changing_ = true;
  form_->setWindowState(form_->windowState() & ~Qt::WindowMinimized);
  form_->show();
  form_->raise();
  form_->activateWindow();
  changing_ = false;
}

void THITrayIcon::applyPicture() {
  if (!icon_) return;  // the picture is set when the icon is made
  QIcon picture;
  QHash<QString, QIcon>& decoded = watcher_->pictures;
  if (!picture_.empty()) {
    const QString path = QString::fromStdString(picture_);
    auto found = decoded.constFind(path);
    if (found == decoded.constEnd()) {
      if (decoded.size() > 64) decoded.clear();
      const QPixmap pixmap(path);
      found = decoded.insert(path, pixmap.isNull() ? QIcon() : QIcon(pixmap));
    }
    picture = *found;
  }
  // An icon without a picture is not drawn at all, which would leave a hidden window with
  // nothing to click: fall back to the form's icon, then to a stock one.
  if (picture.isNull() && form_) picture = form_->windowIcon();
  if (picture.isNull()) picture = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
  icon_->setIcon(picture);
}

}  // namespace hi
