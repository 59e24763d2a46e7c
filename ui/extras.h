// Up-down arrows, the LED, pictures and picture buttons.
#pragma once

#include <string>

#include "ui/win.h"

namespace hi {

class UpDownWidget;
class LedWidget;
class PictureWidget;
class PictureButton;

// Up and down arrows that move a position within a range; the position is shown elsewhere.
class THIUpDown : public THIWin {
 public:
  explicit THIUpDown(ControlParent parent);

  // Sets the position, clamped to the range, and fires onPosition with it.
  void doPosition(TData& data, uint16_t index);
  void Position(TData& data, uint16_t index);
  // Also fired when the operator moves the position.
  TLink onPosition;

  void setRange(int min, int max);
  void setPosition(int position);
  int position() const;

 private:
  void moveBy(int step);
  UpDownWidget* arrows_;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

class THILED : public THIWin {
 public:
  explicit THILED(ControlParent parent);

  // Toggles the lit state and fires onSwitch with 1 (lit) or 0.
  void doSwitch(TData& data, uint16_t index);
  TLink onSwitch;

  void setLitColor(uint32_t colorRef);
  void setLit(bool lit);
  bool lit() const;

 private:
  LedWidget* led_;
};

// A picture from a file (or a Qt resource path); without one it draws nothing.
class THIImage : public THIWin {
 public:
  explicit THIImage(ControlParent parent);
  void setPicture(const std::string& path);
  // Scales the picture to the control instead of drawing it at its own size.
  void setStretch(bool stretch);

 private:
  PictureWidget* picture_;
};

// A button drawn from a picture; without a picture it draws its caption.
class THIImgBtn : public THIWin {
 public:
  explicit THIImgBtn(ControlParent parent);
  // Fires `data` at every click.
  TLink onClick;
  TData data;

  void setPicture(const std::string& path);
  void setCaption(const std::string& caption);

 private:
  PictureButton* button_;
};

}  // namespace hi
