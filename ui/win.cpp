#include "ui/win.h"

#include <QEvent>
#include <QMouseEvent>
#include <unordered_map>

#include "ui/hints.h"
#include "ui/text.h"

namespace hi {

namespace {
std::unordered_map<int32_t, QPointer<QWidget>>& Handles() {
  static std::unordered_map<int32_t, QPointer<QWidget>> handles;
  return handles;
}
int32_t gNextHandle = 1;

int ButtonNumber(Qt::MouseButton button) {
  switch (button) {
    case Qt::RightButton:
      return 1;
    case Qt::MiddleButton:
      return 2;
    default:
      return 0;
  }
}
}  // namespace

QWidget* WidgetFromHandle(int32_t handle) {
  auto it = Handles().find(handle);
  return it == Handles().end() ? nullptr : it->second.data();
}

class THIWin::Events : public QObject {
 public:
  explicit Events(THIWin& owner) : owner_(owner) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != owner_.widget_) return false;
    return owner_.filterEvent(event);
  }

 private:
  THIWin& owner_;
};

THIWin::THIWin() : events_(std::make_unique<Events>(*this)) {}

THIWin::~THIWin() {
  events_.reset();
  hints_.reset();
  Handles().erase(handle_);
  delete widget_.data();
}

void THIWin::attach(QWidget* widget) {
  widget_ = widget;
  widget->setFont(DefaultFont());
  widget->installEventFilter(events_.get());
  // Native controls are created visible; Qt's children of a shown parent are not.
  if (!widget->isWindow()) widget->setVisible(true);
  handle_ = gNextHandle++;
  Handles()[handle_] = widget;
}

bool THIWin::filterEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      EmitInt(onMouseDown, ButtonNumber(static_cast<QMouseEvent*>(event)->button()));
      break;
    case QEvent::MouseButtonRelease:
      EmitInt(onMouseUp, ButtonNumber(static_cast<QMouseEvent*>(event)->button()));
      break;
    case QEvent::MouseButtonDblClick:
      EmitInt(onDblClick, ButtonNumber(static_cast<QMouseEvent*>(event)->button()));
      break;
    case QEvent::FocusIn:
      EmitNull(onSetFocus);
      break;
    case QEvent::FocusOut:
      EmitNull(onKillFocus);
      break;
    default:
      break;
  }
  return false;
}

void THIWin::doVisible(TData& data, uint16_t) { setVisible(ToBool(data)); }

void THIWin::doEnabled(TData& data, uint16_t) { setEnabled(ToBool(data)); }

void THIWin::doBringToFront(TData&, uint16_t) { bringToFront(); }

void THIWin::bringToFront() {
  if (!widget_) return;
  widget_->raise();
  widget_->show();
}

void THIWin::doPosition(TData& data, uint16_t) {
  if (widget_) widget_->move(widget_->x(), ToInteger(data));
}

void THIWin::doSetFocus(TData&, uint16_t) {
  if (widget_) widget_->setFocus(Qt::OtherFocusReason);
}

void THIWin::doFont(TData& data, uint16_t) {
  if (data.baseType() == dtFont && data.font) setFont(*data.font);
}

void THIWin::Handle(TData& data, uint16_t) { data = TData::Int(handle_); }

void THIWin::setBounds(int left, int top, int width, int height) {
  if (!widget_) return;
  if (widget_->isWindow()) {
    // A window's left and top are those of its frame, as its stored position is.
    widget_->move(left, top);
    widget_->resize(std::max(0, width), std::max(0, height));
  } else {
    widget_->setGeometry(left, top, std::max(0, width), std::max(0, height));
  }
}

void THIWin::setVisible(bool visible) {
  if (widget_) widget_->setVisible(visible);
}

void THIWin::setEnabled(bool enabled) {
  if (!widget_) return;
  widget_->setEnabled(enabled);
  widget_->update();
}

void THIWin::setHint(const std::string& hint) {
  if (!widget_) return;
  if (!hints_) hints_ = HintController::acquire();
  widget_->setProperty(HintController::kProperty, CaptionToQt(hint));
}

void THIWin::setFont(const TFontRecord& font) {
  if (!widget_) return;
  widget_->setFont(FontFromRecord(font));
  QPalette palette = widget_->palette();
  const QColor color = ColorFromRef(font.color);
  // The disabled colours stay the style's, so a disabled control still looks disabled.
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, color);
    palette.setColor(group, QPalette::ButtonText, color);
    palette.setColor(group, QPalette::Text, color);
  }
  widget_->setPalette(palette);
  widget_->update();
}

void THIWin::setColor(uint32_t colorRef) {
  if (!widget_) return;
  QPalette palette = widget_->palette();
  palette.setColor(QPalette::Window, ColorFromRef(colorRef));
  widget_->setPalette(palette);
  widget_->setAutoFillBackground(true);
  widget_->update();
}

int THIWin::left() const { return widget_ ? widget_->x() : 0; }
int THIWin::top() const { return widget_ ? widget_->y() : 0; }
int THIWin::width() const { return widget_ ? widget_->width() : 0; }
int THIWin::height() const { return widget_ ? widget_->height() : 0; }
bool THIWin::visible() const { return widget_ && !widget_->isHidden(); }
bool THIWin::enabled() const { return widget_ && widget_->isEnabled(); }

}  // namespace hi
