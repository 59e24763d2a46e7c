// The tray icon's picture: a short flicker for every line that reached the encoder, then the
// picture of the connection state.
#pragma once

#include "elements/flow.h"
#include "elements/time.h"
#include "runtime/runtime.h"
#include "ui/tray.h"

namespace hi {

// Inputs: 0 a line was written, 1 show the state's picture (nothing while flickering),
// 2 connected, 3 disconnected. Output 0: the picture for the tray icon.
class TrayIconAnimator : public TClassMultiBase {
 public:
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
