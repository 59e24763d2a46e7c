// The tray icon's picture: a short flicker for every line that reached the encoder, then the
// picture of the connection state.
#pragma once

#include "elements/flow.h"
#include "elements/time.h"
#include "runtime/runtime.h"
#include "ui/tray.h"

namespace hi {

class TrayIconAnimator : public TClassMultiBase {
 public:
  // ShowState shows the picture of the connection state (nothing while flickering).
  enum Input : uint16_t { LineWritten, ShowState, Connected, Disconnected, kInputs };
  // The picture for the tray icon.
  enum Output : uint16_t { Picture, kOutputs };

  TrayIconAnimator(TOuterSide& owner, ControlParent parent);

  static constexpr const char* kConnected = ":/pictures/tray1.png";
  static constexpr const char* kDisconnected = ":/pictures/tray5.png";

  ThiIconAnimation animation;
  THIHub start;
  THIMemory busy;
  THIDoData busyOn, busyOff, connectedOn, connectedOff;
  THIMemory connected;
  // The flicker ends on the picture of the real state, not on the last frame.
  THITimer settle;
  THIHub settled;
  THIIf_else idle, isConnected;
  THIDoData connectedPicture, disconnectedPicture;
};

}  // namespace hi
