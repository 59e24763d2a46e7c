// Top-level windows: the main window and the info window.
//
// A form is built hidden and registers its start-up action: when the program starts it fires
// onCreate and then shows itself if `setVisible(true)` (the default) was its creation state.
// The first form built is the main form: closing it closes the others, makes the loops inert and
// ends the message loop. Other forms are only hidden by a close.
#pragma once

#include <functional>
#include <string>

#include "ui/win.h"

namespace hi {

class FormWidget;

class THIMainForm : public THIWin {
 public:
  THIMainForm();
  ~THIMainForm() override;
  THIMainForm(const THIMainForm&) = delete;
  THIMainForm& operator=(const THIMainForm&) = delete;

  // Fired once by the start-up action, before the form is shown.
  TLink onCreate;
  // The form is being closed (the main form: while the loops are still live).
  TLink onClose;
  // The window gains or loses activation; onSetFocus and onKillFocus follow the same changes.
  TLink onActivate, onDeactivate;
  // Linked and non-zero: a close is refused.
  TLink CloseVeto;

  // Closes the form as the operator would (the position is stored first).
  void doClose(TData& data, uint16_t index);
  void doFlash(TData& data, uint16_t index);
  // Opacity 0..255; 255 is opaque.
  void doOpacity(TData& data, uint16_t index);

  void setCaption(const std::string& caption);
  // Before start-up this is the form's Visible property; afterwards it shows or hides.
  void setVisible(bool visible) override;
  void setFrameless(bool frameless);
  // A tool window has no taskbar button and does not keep the program running by itself.
  void setToolWindow(bool tool);
  void setStayOnTop(bool onTop);
  void setIcon(const std::string& path);
  void setBackground(const std::string& path);
  void setOpacity(int alpha);
  // Where the window position is kept: "rds.ini\General window"; empty keeps none.
  std::string positionPlace;

  // The form is shown first. `shown` runs at once after the window was put on the screen and
  // before it is painted: what it builds is in the first picture. `prepare` runs after that first
  // paint, then the create event, as a start-up would have run them before showing the form.
  // For the main form of a program whose start-up builds and loads more than the first view
  // needs.
  void showBeforeCreate(std::function<void()> shown, std::function<void()> prepare);

  bool isMain() const { return isMain_; }
  // A close request: false when refused (or already closing).
  bool requestClose();

  // The main form while it exists.
  static THIMainForm* mainForm();
  // Whether the main form has been closed (the message loop must not start or must end).
  static bool mainClosed();

 protected:
  bool filterEvent(QEvent* event) override;
  void bringToFront() override;

 private:
  void start();
  // The rest of a start that showed the form first; runs once.
  void finishStart();
  void showForm();
  void loadPosition();
  void savePosition();

  FormWidget* form_;
  bool isMain_ = false;
  bool wantVisible_ = true;
  bool started_ = false;
  bool positionLoaded_ = false;
  bool closing_ = false;
  std::function<void()> shown_, prepare_;
  bool showFirst_ = false;
  bool shownEarly_ = false;
  bool createDone_ = false;
};

}  // namespace hi
