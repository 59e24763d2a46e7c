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

// A gradient push button. Its look is a list of 21 style values (Windows colour references for
// colours; -1 in a list leaves the value as it was):
//   0 gradient direction (0 top to bottom, 1 left to right)   1 corner radius
//   2 first gradient colour      3 second gradient colour       4 caption colour (else automatic)
//   5 border colour              6, 7 gradient while hovered    8, 9 gradient while pressed
//   10 caption colour when disabled                             11 border width
//   12 gloss strength (0..100)   13 caption alignment (0 centre, 1 left, 2 right)
//   14 caption shift while pressed                              15 focus frame (0/1)
//   16 bold caption (0/1)        17 caption shadow (0/1)        18 shadow colour
//   19 caption colour while hovered                             20 caption margin
class ThiButtonRush : public THIWin {
 public:
  static constexpr int kStyleValues = 21;
  using Style = std::array<int32_t, kStyleValues>;

  explicit ThiButtonRush(ControlParent parent);

  // Fires `data` at every click.
  TLink onClick;
  TData data;

  // Applies the values of the incoming chain in order.
  void doStyle(TData& value, uint16_t index);

  void setCaption(const std::string& caption);
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
