#include "ui/controls.h"

#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QStyleOptionComboBox>

#include "platform/codepage.h"
#include "runtime/convert.h"
#include "ui/text.h"

namespace hi {

namespace {
constexpr int32_t kAuto = -2;  // a colour the button works out itself

QColor Mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// The field's side of platform::BlankControls: Qt keeps line breaks and tabs from a paste.
// Returns whether anything was replaced.
bool BlankControlsInPlace(QString& text) {
  bool changed = false;
  for (QChar& c : text) {
    if (c.unicode() < 32 || c.unicode() == 127) {
      c = u' ';
      changed = true;
    }
  }
  return changed;
}

// Cuts the text where the program's spelling of it (Щ is "Shch") would pass `limit` characters;
// returns whether it did.
bool CutToSpelledLength(QString& text, int limit) {
  std::string spelled;
  for (qsizetype i = 0; i < text.size();) {
    char32_t code = text.at(i).unicode();
    qsizetype units = 1;
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      code = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
      units = 2;
    }
    platform::AppendCp1252(spelled, code);
    if (spelled.size() > static_cast<size_t>(limit)) {
      text.truncate(i);
      return true;
    }
    i += units;
  }
  return false;
}

constexpr int kEditMaxLength = 255;
constexpr int kEditNoOwnLimit = 32767;

// Dark text on light backgrounds, white text on dark ones.
QColor ContrastText(const QColor& a, const QColor& b) {
  const QColor mid = Mix(a, b, 0.5);
  const double luma = 0.299 * mid.redF() + 0.587 * mid.greenF() + 0.114 * mid.blueF();
  return luma > 0.55 ? QColor(20, 24, 32) : QColor(255, 255, 255);
}

QLinearGradient Gradient(const QRectF& r, bool horizontal, const QColor& a, const QColor& b) {
  QLinearGradient g(r.topLeft(), horizontal ? r.topRight() : r.bottomLeft());
  g.setColorAt(0, a);
  g.setColorAt(1, b);
  return g;
}
}  // namespace

class GradientButton : public QAbstractButton {
 public:
  explicit GradientButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
  }
  ThiButtonRush::Style style_ = {.direction = 0,
                                 .cornerRadius = 3,
                                 .firstColor = 0xDAD2CD,
                                 .secondColor = 0xB0A8A2,
                                 .captionColor = kAuto,
                                 .borderColor = kAuto,
                                 .hoveredFirstColor = kAuto,
                                 .hoveredSecondColor = kAuto,
                                 .pressedFirstColor = kAuto,
                                 .pressedSecondColor = kAuto,
                                 .disabledCaptionColor = kAuto,
                                 .borderWidth = 1,
                                 .gloss = 30,
                                 .alignment = 0,
                                 .pressedShift = 1,
                                 .focusFrame = 1,
                                 .boldCaption = 0,
                                 .captionShadow = 0,
                                 .shadowColor = kAuto,
                                 .hoveredCaptionColor = kAuto,
                                 .captionMargin = 3};

 protected:
  static QColor color(int32_t colorRef, const QColor& fallback) {
    return colorRef < 0 ? fallback : ColorFromRef(static_cast<uint32_t>(colorRef));
  }

  void paintEvent(QPaintEvent*) override {
    const ThiButtonRush::Style& s = style_;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool horizontal = s.direction == 1;
    const int borderWidth = std::clamp(s.borderWidth, 0, 8);
    const double radius = std::clamp(s.cornerRadius, 0, 40);
    QColor c1 = color(s.firstColor, QColor(205, 210, 218));
    QColor c2 = color(s.secondColor, QColor(162, 168, 176));
    const bool down = isDown();
    if (!isEnabled()) {
      const QColor grey(200, 200, 200);
      c1 = Mix(c1, grey, 0.7);
      c2 = Mix(c2, grey, 0.7);
    } else if (down) {
      c1 = color(s.pressedFirstColor, c1.darker(115));
      c2 = color(s.pressedSecondColor, c2.darker(115));
    } else if (underMouse()) {
      c1 = color(s.hoveredFirstColor, c1.lighter(112));
      c2 = color(s.hoveredSecondColor, c2.lighter(112));
    }
    const QRectF r = QRectF(rect()).adjusted(borderWidth / 2.0, borderWidth / 2.0,
                                             -borderWidth / 2.0, -borderWidth / 2.0);
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.fillPath(path, Gradient(r, horizontal, c1, c2));
    const int gloss = std::clamp(s.gloss, 0, 100);
    if (gloss > 0) {
      QRectF top = r;
      top.setHeight(r.height() / 2);
      QLinearGradient g(top.topLeft(), top.bottomLeft());
      g.setColorAt(0, QColor(255, 255, 255, gloss * 255 / 100));
      g.setColorAt(1, QColor(255, 255, 255, 0));
      p.fillPath(path.intersected([&] {
        QPainterPath t;
        t.addRect(top);
        return t;
      }()),
                 g);
    }
    if (borderWidth > 0) {
      p.setPen(QPen(color(s.borderColor, Mix(c2, Qt::black, 0.45)), borderWidth));
      p.drawPath(path);
    }
    if (s.focusFrame == 1 && hasFocus()) {
      p.setPen(QPen(ContrastText(c1, c2), 1, Qt::DotLine));
      p.drawRoundedRect(r.adjusted(3, 3, -3, -3), radius, radius);
    }

    QColor textColor = ContrastText(c1, c2);
    if (!isEnabled()) {
      textColor = color(s.disabledCaptionColor, QColor(120, 120, 120));
    } else if (underMouse() && s.hoveredCaptionColor >= 0) {
      textColor = color(s.hoveredCaptionColor, textColor);
    } else {
      textColor = color(s.captionColor, textColor);
    }
    QFont f = font();
    if (s.boldCaption == 1) f.setBold(true);
    p.setFont(f);
    int align = Qt::AlignVCenter | Qt::TextWordWrap;
    align |= s.alignment == 1   ? Qt::AlignLeft
             : s.alignment == 2 ? Qt::AlignRight
                                : Qt::AlignHCenter;
    const int margin = std::clamp(s.captionMargin, 0, 40);
    QRect textRect = rect().adjusted(margin, 0, -margin, 0);
    const int shift = std::clamp(s.pressedShift, 0, 4);
    if (down) textRect.translate(shift, shift);
    if (s.captionShadow == 1) {
      p.setPen(color(s.shadowColor, Mix(c2, Qt::black, 0.6)));
      p.drawText(textRect.translated(1, 1), align, text());
    }
    p.setPen(textColor);
    p.drawText(textRect, align, text());
  }
};

class GradientPanel : public QWidget {
 public:
  explicit GradientPanel(QWidget* parent) : QWidget(parent) {}
  QColor first{236, 240, 245};
  QColor second{214, 222, 232};
  bool border = true;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Gradient(QRectF(rect()), false, first, second));
    if (border) {
      p.setPen(Mix(second, Qt::black, 0.3));
      p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
  }
};

// --- ThiButtonRush

namespace {
// The fields of a style in the order of a style list.
constexpr int32_t ThiButtonRush::Style::*kStyleFields[ThiButtonRush::Style::kValues] = {
    &ThiButtonRush::Style::direction,
    &ThiButtonRush::Style::cornerRadius,
    &ThiButtonRush::Style::firstColor,
    &ThiButtonRush::Style::secondColor,
    &ThiButtonRush::Style::captionColor,
    &ThiButtonRush::Style::borderColor,
    &ThiButtonRush::Style::hoveredFirstColor,
    &ThiButtonRush::Style::hoveredSecondColor,
    &ThiButtonRush::Style::pressedFirstColor,
    &ThiButtonRush::Style::pressedSecondColor,
    &ThiButtonRush::Style::disabledCaptionColor,
    &ThiButtonRush::Style::borderWidth,
    &ThiButtonRush::Style::gloss,
    &ThiButtonRush::Style::alignment,
    &ThiButtonRush::Style::pressedShift,
    &ThiButtonRush::Style::focusFrame,
    &ThiButtonRush::Style::boldCaption,
    &ThiButtonRush::Style::captionShadow,
    &ThiButtonRush::Style::shadowColor,
    &ThiButtonRush::Style::hoveredCaptionColor,
    &ThiButtonRush::Style::captionMargin};
}  // namespace

int32_t& ThiButtonRush::Style::operator[](int i) { return this->*kStyleFields[i]; }

int32_t ThiButtonRush::Style::operator[](int i) const { return this->*kStyleFields[i]; }

std::string ThiButtonRush::Style::list() const {
  std::string text;
  for (int i = 0; i < kValues; ++i) text += std::to_string((*this)[i]) + ";";
  return text;
}

ThiButtonRush::ThiButtonRush(ControlParent parent)
    : button_(new GradientButton(ParentWidget(parent))) {
  attach(button_);
  QObject::connect(button_, &QAbstractButton::clicked, button_, [this] { Emit(onClick, data); });
}

void ThiButtonRush::doStyle(TData& value, uint16_t) {
  Style& style = button_->style_;
  const TData* item = &value;
  for (int i = 0; i < Style::kValues && item; ++i, item = item->next.get()) {
    if (item->isNull()) continue;
    const int32_t v = ToInteger(*item);
    if (v != Style::kKeep) style[i] = v;
  }
  button_->update();
}

void ThiButtonRush::press() { button_->click(); }

void ThiButtonRush::setCaption(const std::string& caption) {
  button_->setText(CaptionToQt(caption));
}

void ThiButtonRush::setStyle(const Style& style) {
  for (int i = 0; i < Style::kValues; ++i) {
    if (style[i] != Style::kKeep) button_->style_[i] = style[i];
  }
  button_->update();
}

const ThiButtonRush::Style& ThiButtonRush::style() const { return button_->style_; }

void ThiButtonRush::setColor(uint32_t colorRef) {
  button_->style_.firstColor = static_cast<int32_t>(colorRef);
  button_->style_.secondColor =
      static_cast<int32_t>(ColorToRef(ColorFromRef(colorRef).darker(125)));
  button_->update();
}

// --- THIPanelRush

THIPanelRush::THIPanelRush(ControlParent parent) : panel_(new GradientPanel(ParentWidget(parent))) {
  attach(panel_);
}

bool THIPanelRush::filterEvent(QEvent* event) {
  const bool leftDown = event->type() == QEvent::MouseButtonPress &&
                        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
  const bool consumed = THIWin::filterEvent(event);
  if (leftDown) EmitNull(onClick);
  return consumed;
}

void THIPanelRush::setColors(uint32_t first, uint32_t second) {
  panel_->first = ColorFromRef(first);
  panel_->second = ColorFromRef(second);
  panel_->update();
}

void THIPanelRush::setColor(uint32_t colorRef) { setColors(colorRef, colorRef); }

void THIPanelRush::setBorder(bool border) {
  panel_->border = border;
  panel_->update();
}

// --- THILabel

THILabel::THILabel(ControlParent parent) : label_(new QLabel(ParentWidget(parent))) {
  attach(label_);
  label_->setWordWrap(true);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setTextFormat(Qt::PlainText);
}

void THILabel::doText(TData& data, uint16_t) { setCaption(ReadString(data, TextData)); }

void THILabel::Text(TData& data, uint16_t) { data = TData::Str(caption()); }

bool THILabel::filterEvent(QEvent* event) {
  const bool click =
      event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
      label_->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint());
  const bool consumed = THIWin::filterEvent(event);
  if (click) EmitNull(onClick);
  return consumed;
}

void THILabel::setCaption(const std::string& caption) { label_->setText(CaptionToQt(caption)); }

std::string THILabel::caption() const {
  QString s = label_->text();
  s.replace(QChar('\n'), QStringLiteral("\r\n"));
  return FromQt(s);
}

void THILabel::setAlignment(int alignment) {
  const Qt::Alignment h = alignment == 1   ? Qt::AlignHCenter
                          : alignment == 2 ? Qt::AlignRight
                                           : Qt::AlignLeft;
  label_->setAlignment(h | Qt::AlignTop);
}

void THILabel::setColor(uint32_t colorRef) { THIWin::setColor(colorRef); }

// --- THIEdit

THIEdit::THIEdit(ControlParent parent) : edit_(new QLineEdit(ParentWidget(parent))) {
  attach(edit_);
  edit_->setFrame(true);
  edit_->setMaxLength(kEditMaxLength);
  QObject::connect(edit_, &QLineEdit::textChanged, edit_, [this](const QString& changed) {
    // Whatever the operator typed or pasted goes on into command lines: the field itself shows
    // spaces for control characters, so what it shows is what is sent. Its length limit counts
    // the characters sent, which a letter spelt with several uses up faster.
    QString text = changed;
    const bool blanked = BlankControlsInPlace(text);
    if (CutToSpelledLength(text, edit_->maxLength()) || blanked) {
      const int caret = edit_->cursorPosition();
      const QSignalBlocker quiet(edit_);
      edit_->setText(text);
      edit_->setCursorPosition(std::min(caret, static_cast<int>(text.size())));
    }
    EmitString(onChangeText, FromQt(edit_->text()));
  });
}

void THIEdit::doText(TData& data, uint16_t) {
  const QString text = ToQt(platform::BlankControls(ReadString(data, Str)));
  const int caret = edit_->cursorPosition();
  {
    const QSignalBlocker quiet(edit_);
    edit_->setText(text);
  }
  edit_->setCursorPosition(std::min(caret, static_cast<int>(text.size())));
  // Reported even when the text stays the same: loading runs the operator's path.
  EmitString(onChangeText, FromQt(edit_->text()));
}

void THIEdit::Text(TData& data, uint16_t) { data = TData::Str(text()); }

bool THIEdit::filterEvent(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      EmitString(onEnter, text());
      return true;
    }
  }
  if (event->type() == QEvent::FocusOut) EmitString(onLeave, text());
  return THIWin::filterEvent(event);
}

void THIEdit::setText(const std::string& text) {
  const QSignalBlocker quiet(edit_);
  edit_->setText(ToQt(platform::BlankControls(text)));
}

std::string THIEdit::text() const { return FromQt(edit_->text()); }

void THIEdit::setReadOnly(bool readOnly) { edit_->setReadOnly(readOnly); }

void THIEdit::setMaxLength(int length) {
  edit_->setMaxLength(length > 0 ? length : kEditNoOwnLimit);
}

// --- ThiCheckBoxRush

ThiCheckBoxRush::ThiCheckBoxRush(ControlParent parent) : box_(new QCheckBox(ParentWidget(parent))) {
  attach(box_);
  // clicked() comes only from the operator (mouse or space bar), after the toggle.
  QObject::connect(box_, &QCheckBox::clicked, box_, [this](bool checked) {
    EmitInt(onCheck, checked ? 1 : 0);
    EmitInt(onClick, checked ? 1 : 0);
  });
}

void ThiCheckBoxRush::doCheck(TData& data, uint16_t) {
  box_->setChecked(ToBool(data));
  EmitInt(onCheck, box_->isChecked() ? 1 : 0);
}

void ThiCheckBoxRush::Checked(TData& data, uint16_t) { data = TData::Int(checked() ? 1 : 0); }

void ThiCheckBoxRush::setCaption(const std::string& caption) {
  box_->setText(CaptionToQt(caption));
}

bool ThiCheckBoxRush::clickTo(bool state) {
  if (!box_->isEnabled()) return false;
  box_->setChecked(state);
  EmitInt(onCheck, state ? 1 : 0);
  EmitInt(onClick, state ? 1 : 0);
  return true;
}

void ThiCheckBoxRush::setChecked(bool checked) { box_->setChecked(checked); }

bool ThiCheckBoxRush::checked() const { return box_->isChecked(); }

// --- ThiRadioButtonRush

namespace {
// Grouping is by parent, as with the native radio buttons; a checked button stays checked when
// clicked again, and the program may still uncheck one.
class RadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  void nextCheckState() override {
    setChecked(true);
    if (!parentWidget()) return;
    for (auto* sibling : parentWidget()->findChildren<RadioButton*>(Qt::FindDirectChildrenOnly)) {
      if (sibling != this) sibling->setChecked(false);
    }
  }
};
}  // namespace

ThiRadioButtonRush::ThiRadioButtonRush(ControlParent parent)
    : radio_(new RadioButton(ParentWidget(parent))) {
  attach(radio_);
  radio_->setAutoExclusive(false);
  QObject::connect(radio_, &QRadioButton::clicked, radio_, [this] { EmitInt(onClick, 1); });
}

void ThiRadioButtonRush::doCheck(TData& data, uint16_t) { radio_->setChecked(ToBool(data)); }

void ThiRadioButtonRush::Checked(TData& data, uint16_t) { data = TData::Int(checked() ? 1 : 0); }

void ThiRadioButtonRush::setCaption(const std::string& caption) {
  radio_->setText(CaptionToQt(caption));
}

void ThiRadioButtonRush::setChecked(bool checked) { radio_->setChecked(checked); }

bool ThiRadioButtonRush::checked() const { return radio_->isChecked(); }

// --- THIComboBox

namespace {
// Typing an item's text also finds it when the item starts with blanks: the frequency lists
// right-align their entries (" 98.5"), and Qt's own search compares from the first character,
// so "98.5" found nothing (only "100.0" and up did). Qt's search goes first, so its cycling
// through items with the same first letter stays as it is.
class ComboBox : public QComboBox {
 public:
  using QComboBox::QComboBox;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int before = currentIndex();
    QComboBox::keyPressEvent(event);
    const QString key = event->text();
    if (key.isEmpty() || !key.at(0).isPrint() || key == QStringLiteral(" ")) return;
    if (!lastKey_.isValid() || lastKey_.hasExpired(QApplication::keyboardInputInterval()))
      typed_.clear();
    typed_ += key;
    lastKey_.start();
    if (currentIndex() != before) return;
    for (int i = 0; i < count(); ++i) {
      if (!itemText(i).trimmed().startsWith(typed_, Qt::CaseInsensitive)) continue;
      if (i != before) {
        setCurrentIndex(i);
        emit activated(i);
      }
      return;
    }
  }

 private:
  QString typed_;
  QElapsedTimer lastKey_;
};
}  // namespace

THIComboBox::THIComboBox(ControlParent parent) : combo_(new ComboBox(ParentWidget(parent))) {
  attach(combo_);
  combo_->setEditable(false);
  combo_->setMaxVisibleItems(16);
  QObject::connect(combo_, &QComboBox::activated, combo_, [this](int) { report(onChange); });
}

void THIComboBox::report(const TLink& event) {
  const int i = combo_->currentIndex();
  if (textMode) {
    EmitString(event, i < 0 ? std::string() : FromQt(combo_->itemText(i)));
  } else {
    EmitInt(event, i);
  }
}

void THIComboBox::doAdd(TData& data, uint16_t) {
  const int selected = combo_->currentIndex();
  combo_->addItem(ToQt(ReadString(data, Str)));
  combo_->setCurrentIndex(selected);  // Qt would select the first item added to an empty list
}

void THIComboBox::doClear(TData&, uint16_t) { combo_->clear(); }

void THIComboBox::doSelect(TData& data, uint16_t) {
  const int32_t i = ToInteger(data);
  combo_->setCurrentIndex(i >= 0 && i < combo_->count() ? i : -1);
  report(onSelect);
}

void THIComboBox::doSelectString(TData& data, uint16_t) {
  combo_->setCurrentIndex(
      combo_->findText(ToQt(ToString(data)), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void THIComboBox::doText(TData& data, uint16_t) { setText(ToString(data)); }

void THIComboBox::Count(TData& data, uint16_t) { data = TData::Int(count()); }

void THIComboBox::String(TData& data, uint16_t) {
  const int i = combo_->currentIndex();
  data = i < 0 ? TData() : TData::Str(FromQt(combo_->itemText(i)));
}

void THIComboBox::setItems(const std::string& lines) {
  combo_->clear();
  // One insertion for the whole list: the frequency lists hold over two hundred entries each.
  QStringList items;
  for (std::string_view line : SplitLines(lines)) items.append(ToQt(line));
  combo_->addItems(items);
  combo_->setCurrentIndex(-1);  // a filled list starts without a selection
}

void THIComboBox::setText(const std::string& text) {
  combo_->setPlaceholderText(ToQt(text));
  // A narrow list would cut its placeholder ("COM-Port" in a 75-pixel list): the face is
  // narrowed as much as the text needs, so the whole word shows.
  QStyleOptionComboBox option;
  option.initFrom(combo_);
  const QRect field = combo_->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, combo_);
  QFont font = combo_->font();
  const int needed = QFontMetrics(font).horizontalAdvance(combo_->placeholderText());
  if (needed > field.width() && field.width() > 0) {
    font.setStretch(std::max(75, 100 * field.width() / needed));
    combo_->setFont(font);
  }
}

int THIComboBox::count() const { return combo_->count(); }

int THIComboBox::selected() const { return combo_->currentIndex(); }

bool THIComboBox::choose(int index) {
  if (!combo_->isEnabled() || index < 0 || index >= combo_->count()) return false;
  combo_->setCurrentIndex(index);
  report(onChange);
  return true;
}

}  // namespace hi
