#include "ui/hints.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QScreen>

#include "ui/text.h"

namespace hi {

std::shared_ptr<HintController> HintController::acquire() {
  static std::weak_ptr<HintController> shared;
  std::shared_ptr<HintController> controller = shared.lock();
  if (!controller) {
    controller.reset(new HintController);
    shared = controller;
  }
  return controller;
}

HintController::HintController() : popup_(std::make_unique<QLabel>()) {
  popup_->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
  popup_->setMargin(3);
  popup_->setFont(DefaultFont());
  popup_->setAutoFillBackground(true);
  setColor(0xFFF3E8);  // a pale blue
  popup_->setStyleSheet(QStringLiteral("QLabel { border: 1px solid #7a8a9a; }"));
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

HintController::~HintController() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

void HintController::setFont(const TFontRecord& font) { popup_->setFont(FontFromRecord(font)); }

void HintController::setColor(uint32_t colorRef) {
  QPalette palette = popup_->palette();
  palette.setColor(QPalette::Window, ColorFromRef(colorRef));
  palette.setColor(QPalette::WindowText, Qt::black);
  popup_->setPalette(palette);
}

QWidget* HintController::shownHint() const { return popup_->isVisible() ? popup_.get() : nullptr; }

bool HintController::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Enter:
      if (auto* widget = qobject_cast<QWidget*>(watched)) {
        if (!widget->property(kProperty).toString().isEmpty()) arm(widget);
      }
      break;
    case QEvent::Leave:
      if (watched == target_) disarm();
      break;
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Wheel:
      if (target_) disarm();
      break;
    case QEvent::ToolTip:
      // Our own hint windows replace Qt's tool tips on hinted controls.
      if (auto* widget = qobject_cast<QWidget*>(watched)) {
        if (!widget->property(kProperty).toString().isEmpty()) return true;
      }
      break;
    default:
      break;
  }
  return false;
}

void HintController::arm(QWidget* widget) {
  disarm();
  target_ = widget;
  timer_ = platform::Time().createTimer([this] { tick(); });
  timer_->start(delayMs);
}

void HintController::disarm() {
  timer_.reset();
  target_ = nullptr;
  showing_ = false;
  popup_->hide();
}

void HintController::tick() {
  if (showing_ || !target_ || !target_->isVisible()) {
    // Destroying the timer from inside its own tick is left to the next event.
    timer_->stop();
    target_ = nullptr;
    showing_ = false;
    popup_->hide();
    return;
  }
  popup_->setText(target_->property(kProperty).toString());
  popup_->adjustSize();
  QPoint at = QCursor::pos() + QPoint(2, 20);
  if (QScreen* screen = target_->screen()) {
    const QRect area = screen->availableGeometry();
    at.setX(std::min(at.x(), area.right() - popup_->width()));
    at.setY(std::min(at.y(), area.bottom() - popup_->height()));
  }
  popup_->move(at);
  popup_->show();
  showing_ = true;
  timer_->setInterval(displayMs);
}

THIHintManager::THIHintManager() : hints_(HintController::acquire()) {}

}  // namespace hi
