// Hint windows: a control's hint appears after the pointer has rested on it for a while and
// disappears after a while, on leaving or on a click. One controller serves every control; the
// hint-manager elements only set its look and timing.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <memory>

#include "platform/time_host.h"
#include "runtime/runtime.h"

class QLabel;
class QWidget;

namespace hi {

class HintController : public QObject {
 public:
  static constexpr const char* kProperty = "hiHint";

  // Shared by everything that has a hint; it lives while any of them does.
  static std::shared_ptr<HintController> acquire();
  ~HintController() override;
  HintController(const HintController&) = delete;
  HintController& operator=(const HintController&) = delete;

  uint32_t delayMs = 500;
  uint32_t displayMs = 5000;
  void setFont(const TFontRecord& font);
  void setColor(uint32_t colorRef);

  // The hint window while it is shown, else null.
  QWidget* shownHint() const;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  HintController();
  void arm(QWidget* widget);
  void disarm();
  void tick();

  std::unique_ptr<QLabel> popup_;
  std::unique_ptr<platform::HostTimer> timer_;
  QPointer<QWidget> target_;
  bool showing_ = false;
};

// The hint manager element: look and timing of every hint window.
class THIHintManager : public TDebug {
 public:
  THIHintManager();
  void setDelay(uint32_t ms) { hints_->delayMs = ms; }
  void setDisplayTime(uint32_t ms) { hints_->displayMs = ms; }
  void setFont(const TFontRecord& font) { hints_->setFont(font); }
  void setColor(uint32_t colorRef) { hints_->setColor(colorRef); }

 private:
  std::shared_ptr<HintController> hints_;
};

}  // namespace hi
