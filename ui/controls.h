// The everyday controls: gradient panels and buttons, labels, edit fields, check boxes, radio
// buttons and drop-down lists. Each is built on its control parent (see ui/win.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ui/win.h"

class QLabel;
class QLineEdit;
class QComboBox;
class QCheckBox;
class QRadioButton;

namespace hi {

class GradientButton;
class GradientPanel;

// A gradient push button.
class ThiButtonRush : public THIWin {
 public:
  // The button's look. A style list gives the 21 values in the order of the fields; a value of
  // kKeep in a list leaves that value as it was. Colours are Windows colour references; a colour
  // the button works out itself is negative.
  struct Style {
    static constexpr int kValues = 21;
    static constexpr int32_t kKeep = -1;

    int32_t direction = kKeep;  // of the gradient: 0 top to bottom, 1 left to right
    int32_t cornerRadius = kKeep;
    int32_t firstColor = kKeep;  // of the gradient
    int32_t secondColor = kKeep;
    int32_t captionColor = kKeep;
    int32_t borderColor = kKeep;
    int32_t hoveredFirstColor = kKeep;
    int32_t hoveredSecondColor = kKeep;
    int32_t pressedFirstColor = kKeep;
    int32_t pressedSecondColor = kKeep;
    int32_t disabledCaptionColor = kKeep;
    int32_t borderWidth = kKeep;
    int32_t gloss = kKeep;          // 0..100
    int32_t alignment = kKeep;      // of the caption: 0 centre, 1 left, 2 right
    int32_t pressedShift = kKeep;   // of the caption
    int32_t focusFrame = kKeep;     // 0 or 1
    int32_t boldCaption = kKeep;    // 0 or 1
    int32_t captionShadow = kKeep;  // 0 or 1
    int32_t shadowColor = kKeep;
    int32_t hoveredCaptionColor = kKeep;
    int32_t captionMargin = kKeep;

    // The value at position i of a style list.
    int32_t& operator[](int i);
    int32_t operator[](int i) const;
    // The style list as text: each value followed by ";".
    std::string list() const;
  };

  explicit ThiButtonRush(ControlParent parent);

  // Fires `data` at every click.
  TLink onClick;
  TData data;

  // Applies the values of the incoming chain in the order of a style list.
  void doStyle(TData& value, uint16_t index);

  void setCaption(const std::string& caption);
  // A click as the operator's: nothing happens while the button is disabled.
  void press();
  // Applies every value of `style` but those that are kKeep.
  void setStyle(const Style& style);
  const Style& style() const;
  void setColor(uint32_t colorRef) override;

 private:
  GradientButton* button_;
};

// A gradient panel: the parent of pages and function panels.
class THIPanelRush : public THIWin {
 public:
  explicit THIPanelRush(ControlParent parent);

  // The left mouse button went down on the panel itself.
  TLink onClick;

  void setColors(uint32_t first, uint32_t second);
  // A single colour: a plain panel.
  void setColor(uint32_t colorRef) override;
  void setBorder(bool border);

 protected:
  bool filterEvent(QEvent* event) override;

 private:
  GradientPanel* panel_;
};

class THILabel : public THIWin {
 public:
  explicit THILabel(ControlParent parent);

  // Sets the caption from `TextData` (or the incoming value).
  void doText(TData& data, uint16_t index);
  // The caption.
  void Text(TData& data, uint16_t index);
  TLink onClick;
  // The data input for doText; named TextData so that it does not clash with the readable Text.
  TLink TextData;

  void setCaption(const std::string& caption);
  std::string caption() const;
  // 0 left, 1 centre, 2 right.
  void setAlignment(int alignment);
  void setColor(uint32_t colorRef) override;

 protected:
  bool filterEvent(QEvent* event) override;

 private:
  QLabel* label_;
};

// A one-line text field. Control characters never enter it (they show as spaces), and it holds
// at most 255 characters unless setMaxLength says otherwise.
class THIEdit : public THIWin {
 public:
  explicit THIEdit(ControlParent parent);

  // Sets the text from `Str` (or the incoming value), keeping the caret, and reports it.
  void doText(TData& data, uint16_t index);
  void Text(TData& data, uint16_t index);
  TLink Str;
  // Every change of the text, typed or set by doText; never the creation text.
  TLink onChangeText;
  // Enter was pressed in the field (the key goes no further); carries the text.
  TLink onEnter;
  // The field lost the keyboard focus; carries the text.
  TLink onLeave;

  // The creation text: not reported.
  void setText(const std::string& text);
  std::string text() const;
  void setReadOnly(bool readOnly);
  // 0 or less: no limit of the field's own (the 32767 characters of a line field).
  void setMaxLength(int length);

 protected:
  bool filterEvent(QEvent* event) override;

 private:
  QLineEdit* edit_;
};

class ThiCheckBoxRush : public THIWin {
 public:
  explicit ThiCheckBoxRush(ControlParent parent);

  // Sets the state by ToBool of the value and fires onCheck with 1 or 0.
  void doCheck(TData& data, uint16_t index);
  void Checked(TData& data, uint16_t index);
  // An operator's click toggles and fires onCheck, then onClick, both with the new state.
  TLink onCheck, onClick;

  void setCaption(const std::string& caption);
  // The operator's click that leaves the box in `state` (onCheck, then onClick); false, with
  // nothing fired, while the box is disabled.
  bool clickTo(bool state);
  // The creation state: nothing fires.
  void setChecked(bool checked);
  bool checked() const;

 private:
  QCheckBox* box_;
};

class ThiRadioButtonRush : public THIWin {
 public:
  explicit ThiRadioButtonRush(ControlParent parent);

  // Sets the state by ToBool of the value; fires nothing.
  void doCheck(TData& data, uint16_t index);
  void Checked(TData& data, uint16_t index);
  // An operator's click: the button is checked and its siblings unchecked; carries 1.
  TLink onClick;

  void setCaption(const std::string& caption);
  void setChecked(bool checked);
  bool checked() const;

 private:
  QRadioButton* radio_;
};

// A drop-down list. In index mode its events carry positions; in text mode the item texts.
class THIComboBox : public THIWin {
 public:
  explicit THIComboBox(ControlParent parent);

  void doAdd(TData& data, uint16_t index);
  void doClear(TData& data, uint16_t index);
  // Selects a 0-based position and fires onSelect; outside the list nothing is selected and
  // onSelect carries -1 (text mode: the empty text).
  void doSelect(TData& data, uint16_t index);
  // Selects the item equal to the text (nothing when none is); fires nothing.
  void doSelectString(TData& data, uint16_t index);
  // The text shown while nothing is selected.
  void doText(TData& data, uint16_t index);
  void Count(TData& data, uint16_t index);
  // The selected item's text, null when nothing is selected.
  void String(TData& data, uint16_t index);
  TLink Str;
  TLink onSelect;
  // The operator chose an item.
  TLink onChange;

  bool textMode = false;

  // The operator picks an item (onChange); false, with nothing fired, for a position outside
  // the list or while the list is disabled.
  bool choose(int index);
  // Items as one text, lines separated by CR LF.
  void setItems(const std::string& lines);
  // Shown while nothing is selected.
  void setText(const std::string& text);
  int count() const;
  int selected() const;

 private:
  void report(const TLink& event);
  QComboBox* combo_;
};

}  // namespace hi
