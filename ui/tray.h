// The notification-area icon of the main form, the popup menu it opens and the icon's animation.
#pragma once

#include <QPointer>
#include <QSystemTrayIcon>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/runtime.h"

class QAction;
class QMenu;

namespace platform {
class HostTimer;
}

namespace hi {

class THIMainForm;

// A popup menu without a parent control. Its items are given as lines: "-" is a separator, and
// "(" turns the item before it into a submenu of the lines up to the matching ")". Every line
// except "(" and ")" has a position, counted from 0 through all levels.
class ThiPopupMenuEx : public TDebug {
 public:
  ThiPopupMenuEx();
  ~ThiPopupMenuEx();
  ThiPopupMenuEx(const ThiPopupMenuEx&) = delete;
  ThiPopupMenuEx& operator=(const ThiPopupMenuEx&) = delete;

  // Lines separated by CR LF or LF.
  void setItems(const std::string& text);
  void setFont(const TFontRecord& font);
  void setPicture(int position, const std::string& path);

  // The position of the item the operator picked.
  TLink onClick;

  // Opens the menu at the mouse cursor and returns at once.
  void doPopUp(TData& data, uint16_t index);
  // Both take the pair (position, state); state 1 checks or enables the item, else clears it.
  void doCheck(TData& data, uint16_t index);
  void doEnabled(TData& data, uint16_t index);

  int count() const { return static_cast<int>(items_.size()); }
  bool checked(int position) const;
  bool enabled(int position) const;
  // As if the operator chose the item: a separator, a submenu or a disabled item does nothing.
  void pick(int position);
  QMenu* menu() const { return menu_.get(); }

 private:
  QAction* action(int position) const;
  void choose(int position, QAction* item);

  std::unique_ptr<QMenu> menu_;
  std::vector<QAction*> items_;  // null for a separator
  std::vector<QMenu*> submenus_;
};

// Shows a row of pictures one after another, `interval` ms apart, and stays on the last one.
class ThiIconAnimation : public TDebug {
 public:
  ThiIconAnimation();
  ~ThiIconAnimation();
  ThiIconAnimation(const ThiIconAnimation&) = delete;
  ThiIconAnimation& operator=(const ThiIconAnimation&) = delete;

  std::vector<std::string> pictures;  // paths
  int32_t interval = 200;

  // The path of each picture as it becomes current.
  TLink onPicture;

  // Shows the first picture at once; while running, starts again from the first.
  void doStart(TData& data, uint16_t index);
  // Stops where it is; the current picture stays.
  void doStop(TData& data, uint16_t index);

  bool running() const;
  // The current picture's index, -1 before the first start.
  int frame() const { return frame_; }

 private:
  void tick();
  std::unique_ptr<platform::HostTimer> timer_;
  int frame_ = -1;
};

// The main form's icon in the notification area. Going "to the tray" hides the form and shows
// the icon; restoring removes the icon and brings the form back. Where the desktop has no
// notification area the form is minimised instead, so it can always be brought back.
class THITrayIcon : public TDebug {
 public:
  // Whether a missing notification area is explained on standard error; a service without a
  // window has nobody to tell.
  static inline bool explainMissingArea = true;
  explicit THITrayIcon(THIMainForm& form);
  ~THITrayIcon();
  THITrayIcon(const THITrayIcon&) = delete;
  THITrayIcon& operator=(const THITrayIcon&) = delete;

  // At most 63 characters are used; control characters become spaces.
  std::string tip;
  // A close request from the window system goes into the tray instead.
  bool closeToTray = false;
  // The form's minimize is an ordinary minimize instead of going into the tray.
  bool plainMinimize = false;
  // doRestore leaves the icon in the notification area (a restore by the system never does).
  bool keepIcon = false;
  // Whether the desktop has a notification area; asked at every hide. Tests replace it.
  bool (*trayAvailable)() = &QSystemTrayIcon::isSystemTrayAvailable;

  void doMinimize(TData& data, uint16_t index);
  void doRestore(TData& data, uint16_t index);
  // A picture path; empty or null shows the form's icon.
  void doIcon(TData& data, uint16_t index);
  void doTip(TData& data, uint16_t index);

  // Mouse events carry the button: 0 left, 1 right, 2 middle.
  TLink onMove, onMouseDown, onMouseUp, onClick, onDblClick;
  // The form went into the tray.
  TLink onHide;
  TLink onBalloonShow, onBalloonTimeout, onBalloonClick;

  // The form is in the tray and its icon registered (shown wherever the desktop has an area).
  bool iconShown() const { return shown_; }
  QSystemTrayIcon* icon();
  // The path doIcon last set; empty for the form's icon.
  std::string currentPicture() const { return picture_; }
  // As if the desktop reported this activation of the icon.
  void activate(QSystemTrayIcon::ActivationReason reason);

 private:
  class Watcher;
  friend class Watcher;

  void toTray();
  void restore(bool bySystem);
  void showIcon();
  void applyPicture();
  void activated(QSystemTrayIcon::ActivationReason reason);

  QPointer<QWidget> form_;
  std::unique_ptr<QSystemTrayIcon> icon_;
  std::unique_ptr<Watcher> watcher_;
  std::string picture_;
  bool shown_ = false;
  bool hiding_ = false;     // inside the cascade of onHide
  bool changing_ = false;   // the form's window state is being changed by us
  bool minimised_ = false;  // in the tray as a minimised window (no notification area)
  bool told_ = false;       // the missing notification area was reported
};

}  // namespace hi
