#include "ui/extras.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/picture.h"
#include "ui/text.h"

namespace hi {

class UpDownWidget : public QWidget {
 public:
  explicit UpDownWidget(QWidget* parent)
      : QWidget(parent), up(new QToolButton(this)), down(new QToolButton(this)) {
    for (QToolButton* b : {up, down}) {
      b->setAutoRepeat(true);
      b->setFocusPolicy(Qt::NoFocus);
      b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up);
    layout->addWidget(down);
  }
  QToolButton* up;
  QToolButton* down;
};

THIUpDown::THIUpDown(ControlParent parent) : arrows_(new UpDownWidget(ParentWidget(parent))) {
  attach(arrows_);
  QObject::connect(arrows_->up, &QToolButton::clicked, arrows_, [this] { moveBy(1); });
  QObject::connect(arrows_->down, &QToolButton::clicked, arrows_, [this] { moveBy(-1); });
}

void THIUpDown::moveBy(int step) {
  const int next = std::clamp(position_ + step, min_, max_);
  if (next == position_) return;
  position_ = next;
  EmitInt(onPosition, position_);
}

void THIUpDown::doPosition(TData& data, uint16_t) {
  position_ = std::clamp(ToInteger(data), min_, max_);
  EmitInt(onPosition, position_);
}

void THIUpDown::Position(TData& data, uint16_t) { data = TData::Int(position_); }

void THIUpDown::setRange(int min, int max) {
  min_ = std::min(min, max);
  max_ = std::max(min, max);
  position_ = std::clamp(position_, min_, max_);
}

void THIUpDown::setPosition(int position) { position_ = std::clamp(position, min_, max_); }

int THIUpDown::position() const { return position_; }

class LedWidget : public QWidget {
 public:
  explicit LedWidget(QWidget* parent) : QWidget(parent) {}
  QColor color{40, 210, 60};
  bool lit = false;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 2;
    if (side <= 0) return;
    const QRectF r((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    const QColor face = lit ? color : color.darker(isEnabled() ? 320 : 400);
    QRadialGradient g(r.center() - QPointF(side / 5.0, side / 5.0), side / 1.4);
    g.setColorAt(0, face.lighter(lit ? 170 : 130));
    g.setColorAt(1, face);
    p.setBrush(g);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawEllipse(r);
  }
};

THILED::THILED(ControlParent parent) : led_(new LedWidget(ParentWidget(parent))) { attach(led_); }

void THILED::doSwitch(TData&, uint16_t) {
  setLit(!led_->lit);
  EmitInt(onSwitch, led_->lit ? 1 : 0);
}

void THILED::setLitColor(uint32_t colorRef) {
  led_->color = ColorFromRef(colorRef);
  led_->update();
}

void THILED::setLit(bool lit) {
  led_->lit = lit;
  led_->update();
}

bool THILED::lit() const { return led_->lit; }

class PictureWidget : public QWidget {
 public:
  explicit PictureWidget(QWidget* parent) : QWidget(parent) {}
  LazyPicture lazyPicture;
  bool stretch = false;

 protected:
  void paintEvent(QPaintEvent*) override {
    const QPixmap& picture = lazyPicture.get();
    if (picture.isNull()) return;
    QPainter p(this);
    if (stretch) {
      p.drawPixmap(rect(), picture);
    } else {
      p.drawPixmap(0, 0, picture);
    }
  }
};

THIImage::THIImage(ControlParent parent) : picture_(new PictureWidget(ParentWidget(parent))) {
  attach(picture_);
}

void THIImage::setPicture(const std::string& path) {
  picture_->lazyPicture.set(path);
  picture_->update();
}

void THIImage::setStretch(bool stretch) {
  picture_->stretch = stretch;
  picture_->update();
}

class PictureButton : public QAbstractButton {
 public:
  explicit PictureButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
  }
  LazyPicture lazyPicture;

 protected:
  void paintEvent(QPaintEvent*) override {
    const QPixmap& picture = lazyPicture.get();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    if (underMouse() || isDown()) {
      p.setPen(QColor(90, 110, 140));
      p.setBrush(isDown() ? QColor(0, 0, 0, 50) : QColor(255, 255, 255, 60));
      p.drawRoundedRect(r, 3, 3);
    }
    const QPoint shift = isDown() ? QPoint(1, 1) : QPoint();
    if (!picture.isNull()) {
      const QPixmap scaled = picture.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
      p.drawPixmap((width() - scaled.width()) / 2 + shift.x(),
                   (height() - scaled.height()) / 2 + shift.y(), scaled);
    } else {
      p.setPen(isEnabled() ? palette().color(QPalette::ButtonText) : QColor(130, 130, 130));
      p.drawText(rect().translated(shift), Qt::AlignCenter, text());
    }
  }
};

THIImgBtn::THIImgBtn(ControlParent parent) : button_(new PictureButton(ParentWidget(parent))) {
  attach(button_);
  QObject::connect(button_, &QAbstractButton::clicked, button_, [this] { Emit(onClick, data); });
}

void THIImgBtn::setPicture(const std::string& path) {
  button_->lazyPicture.set(path);
  button_->update();
}

void THIImgBtn::setCaption(const std::string& caption) { button_->setText(CaptionToQt(caption)); }

}  // namespace hi
