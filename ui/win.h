// The visual elements: each owns one Qt widget and offers the points the panels link.
//
// A container builds a visual element with its control parent (a QWidget*, passed as the
// runtime's ControlParent) and places the element's own children on `controlParent()`:
//
//   THIPanelRush panel{controlParent()};          // the container's panel, on its parent
//   ThiButtonRush send{panel.controlParent()};     // everything else on that panel
//   ...
//   send.setBounds(10, 57, 75, 21);
//   send.setCaption("Send PI");
//
// Geometry is in pixels relative to the parent. Properties that change the widget are setters;
// plain behaviour switches are public fields. The widget lives as long as its element (and is
// never deleted twice, even when its parent widget went first).
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "runtime/runtime.h"

class QEvent;

namespace hi {

class HintController;

class THIWin : public TDebug {
 public:
  virtual ~THIWin();
  THIWin(const THIWin&) = delete;
  THIWin& operator=(const THIWin&) = delete;

  void doVisible(TData& data, uint16_t index);
  void doEnabled(TData& data, uint16_t index);
  // Raises the control above its siblings and shows it, without activating it.
  void doBringToFront(TData& data, uint16_t index);
  // Moves the top edge to the value, keeping left edge and size.
  void doPosition(TData& data, uint16_t index);
  void doSetFocus(TData& data, uint16_t index);
  void doFont(TData& data, uint16_t index);
  void Handle(TData& data, uint16_t index);

  // Mouse events carry the button: 0 left, 1 right, 2 middle.
  TLink onMouseDown, onMouseUp, onDblClick, onSetFocus, onKillFocus;

  void setBounds(int left, int top, int width, int height);
  virtual void setVisible(bool visible);
  void setEnabled(bool enabled);
  void setHint(const std::string& hint);
  virtual void setFont(const TFontRecord& font);
  // Background colour, a Windows colour reference (blue-green-red).
  virtual void setColor(uint32_t colorRef);

  int left() const;
  int top() const;
  int width() const;
  int height() const;
  bool visible() const;
  bool enabled() const;

  QWidget* widget() const { return widget_.data(); }
  ControlParent controlParent() const { return widget(); }
  int32_t handle() const { return handle_; }

 protected:
  THIWin();
  // Takes ownership of the element's widget; called once by each kind's constructor.
  void attach(QWidget* widget);
  // Every event of the widget passes here first; true consumes it.
  virtual bool filterEvent(QEvent* event);
  virtual void bringToFront();

 private:
  class Events;
  friend class Events;
  std::unique_ptr<Events> events_;
  QPointer<QWidget> widget_;
  std::shared_ptr<HintController> hints_;
  int32_t handle_ = 0;
};

// The widget behind a value of a Handle point, or null when it no longer exists.
QWidget* WidgetFromHandle(int32_t handle);
inline QWidget* ParentWidget(ControlParent parent) { return static_cast<QWidget*>(parent); }

// N visual elements of one kind on one parent, for a container's array members:
//   std::array<THIEdit, 10> pages = Controls<THIEdit, 10>(panel.controlParent());
template <class T, std::size_t N>
std::array<T, N> Controls(ControlParent parent) {
  return [parent]<std::size_t... I>(std::index_sequence<I...>) {
    return std::array<T, N>{{(static_cast<void>(I), T{parent})...}};
  }
  (std::make_index_sequence<N>{});
}

}  // namespace hi
