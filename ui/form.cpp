#include "ui/form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "elements/settings.h"
#include "ui/picture.h"
#include "ui/text.h"

namespace hi {

namespace {
std::vector<THIMainForm*>& Forms() {
  static std::vector<THIMainForm*> forms;
  return forms;
}
bool gMainClosed = false;
}  // namespace

class FormWidget : public QWidget {
 public:
  FormWidget() : QWidget(nullptr, Qt::Window) {}
  LazyPicture background;
  std::function<void()> onFirstPaint;

 protected:
  void paintEvent(QPaintEvent*) override {
    // After this paint has reached the screen, not inside it.
    if (onFirstPaint) QTimer::singleShot(0, this, std::exchange(onFirstPaint, nullptr));
    const QPixmap& picture = background.get();
    if (picture.isNull()) return;
    QPainter p(this);
    p.drawPixmap(0, 0, picture);
  }
};

THIMainForm::THIMainForm() : form_(new FormWidget) {
  attach(form_);
  form_->hide();
  isMain_ = Forms().empty();
  if (isMain_) gMainClosed = false;
  Forms().push_back(this);
  Startup().add([](void* self) { static_cast<THIMainForm*>(self)->start(); }, this);
}

THIMainForm::~THIMainForm() {
  auto& forms = Forms();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
}

THIMainForm* THIMainForm::mainForm() {
  auto& forms = Forms();
  return !forms.empty() && forms.front()->isMain_ ? forms.front() : nullptr;
}

bool THIMainForm::mainClosed() { return gMainClosed; }

void THIMainForm::showBeforeCreate(std::function<void()> shown, std::function<void()> prepare) {
  shown_ = std::move(shown);
  prepare_ = std::move(prepare);
  showFirst_ = true;
}

void THIMainForm::start() {
  started_ = true;
  if (showFirst_ && wantVisible_) {
    shownEarly_ = true;
    showForm();
    if (shown_) std::exchange(shown_, nullptr)();
    form_->onFirstPaint = [this] { finishStart(); };
    // A window the system never paints (covered, on a display that draws nothing) still starts.
    QTimer::singleShot(500, form_, [this] { finishStart(); });
    return;
  }
  finishStart();
}

void THIMainForm::finishStart() {
  if (!started_ || std::exchange(createDone_, true)) return;
  form_->onFirstPaint = nullptr;
  // Closed before it was ready: nothing more to build or load.
  if (isMain_ && gMainClosed) return;
  if (shown_) std::exchange(shown_, nullptr)();
  if (prepare_) std::exchange(prepare_, nullptr)();
  EmitNull(onCreate);
  if (shownEarly_) return;
  if (wantVisible_) {
    showForm();
  } else {
    form_->hide();
  }
}

void THIMainForm::showForm() {
  if (!positionLoaded_) loadPosition();
  form_->show();
}

void THIMainForm::setVisible(bool visible) {
  wantVisible_ = visible;
  if (!started_) return;
  if (visible) {
    showForm();
  } else {
    form_->hide();
  }
}

void THIMainForm::bringToFront() {
  showForm();
  form_->raise();
}

void THIMainForm::loadPosition() {
  positionLoaded_ = true;
  const QRect designed(form_->x(), form_->y(), form_->width(), form_->height());
  WindowPosition pos{designed.x(), designed.y(), designed.width(), designed.height()};
  if (!LoadWindowPosition(positionPlace, pos)) return;
  QRect place(pos.left, pos.top, pos.width, pos.height);
  // A damaged or foreign rds.ini must not leave the window too small to see, or off every
  // screen where the operator can never reach it: such values keep the designed ones.
  constexpr int kSmallest = 40;
  if (place.width() < kSmallest || place.width() > 8 * designed.width())
    place.setWidth(designed.width());
  if (place.height() < kSmallest || place.height() > 8 * designed.height())
    place.setHeight(designed.height());
  const QList<QScreen*> screens = QGuiApplication::screens();
  const bool reachable =
      screens.isEmpty() || std::any_of(screens.begin(), screens.end(), [&](QScreen* screen) {
        const QRect seen = screen->availableGeometry().intersected(place);
        return seen.width() >= kSmallest && seen.height() >= kSmallest / 2;
      });
  if (!reachable) place.moveTo(designed.topLeft());
  form_->move(place.topLeft());
  form_->resize(place.size());
}

void THIMainForm::savePosition() {
  // A form never shown never loaded its stored place; saving its designed place would lose it.
  if (!positionLoaded_) return;
  SaveWindowPosition(positionPlace,
                     WindowPosition{form_->x(), form_->y(), form_->width(), form_->height()});
}

bool THIMainForm::requestClose() {
  if (closing_ || (isMain_ && gMainClosed)) return false;
  if (ReadLinkedInteger(CloseVeto) != 0) return false;
  closing_ = true;
  if (isMain_) {
    const std::vector<THIMainForm*> others = Forms();
    for (THIMainForm* other : others) {
      if (other != this) other->requestClose();
    }
  }
  EmitNull(onClose);
  if (isMain_) {
    SetLoopsLive(false);
    gMainClosed = true;
  }
  savePosition();
  form_->hide();
  if (isMain_) QCoreApplication::quit();
  closing_ = false;
  return true;
}

void THIMainForm::doClose(TData&, uint16_t) { requestClose(); }

void THIMainForm::doFlash(TData&, uint16_t) { QApplication::alert(form_); }

void THIMainForm::doOpacity(TData& data, uint16_t) { setOpacity(ToInteger(data)); }

bool THIMainForm::filterEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::Close:
      // The window system asks; the form decides and hides itself.
      event->ignore();
      requestClose();
      return true;
    case QEvent::Show:
      if (!positionLoaded_) loadPosition();
      break;
    case QEvent::WindowActivate:
      EmitNull(onActivate);
      EmitNull(onSetFocus);
      return false;
    case QEvent::WindowDeactivate:
      EmitNull(onDeactivate);
      EmitNull(onKillFocus);
      return false;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      return false;  // a form's focus follows its activation
    default:
      break;
  }
  return THIWin::filterEvent(event);
}

void THIMainForm::setCaption(const std::string& caption) {
  form_->setWindowTitle(CaptionToQt(caption));
}

void THIMainForm::setFrameless(bool frameless) {
  form_->setWindowFlag(Qt::FramelessWindowHint, frameless);
}

void THIMainForm::setToolWindow(bool tool) {
  // Tool is a window type, not a single bit: clearing it as a flag would clear Window too.
  const Qt::WindowFlags others = form_->windowFlags() & ~Qt::WindowType_Mask;
  form_->setWindowFlags(others | (tool ? Qt::Tool : Qt::Window));
}

void THIMainForm::setStayOnTop(bool onTop) {
  form_->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
}

void THIMainForm::setIcon(const std::string& path) {
  form_->setWindowIcon(QIcon(QString::fromStdString(path)));
}

void THIMainForm::setBackground(const std::string& path) {
  form_->background.set(path);
  form_->update();
}

void THIMainForm::setOpacity(int alpha) {
  form_->setWindowOpacity(std::clamp(alpha, 0, 255) / 255.0);
}

}  // namespace hi
