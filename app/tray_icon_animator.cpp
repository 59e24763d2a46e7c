#include "app/tray_icon_animator.h"

#include "encoder/wiring.h"

namespace hi {

TrayIconAnimator::TrayIconAnimator(TOuterSide& owner, ControlParent parent)
    : TClassMultiBase(owner, parent, kInputs, 0) {
  animation.pictures = {":/pictures/tray1.png", ":/pictures/tray2.png", ":/pictures/tray3.png",
                        ":/pictures/tray4.png", kDisconnected};
  animation.interval = 200;
  start.setOutCount(3);
  busy.setDefault(TData::Int(0));
  busyOn.data = TData::Int(1);
  busyOff.data = TData::Int(0);
  connectedOn.data = TData::Int(1);
  connectedOff.data = TData::Int(0);
  connected.setDefault(TData::Int(0));
  // The last of the five pictures shows 800 ms after the first; it keeps its full period.
  settle.setInterval(1000);
  settle.setCount(1);
  settled.setOutCount(2);
  IsZero(idle);
  IsOne(isConnected);
  connectedPicture.data = TData::Str(kConnected);
  disconnectedPicture.data = TData::Str(kDisconnected);

  work<&THIHub::doEvent>(LineWritten, start);
  work<&THIIf_else::doCompare>(ShowState, idle);
  work<&THIDoData::doData>(Connected, connectedOn);
  work<&THIDoData::doData>(Disconnected, connectedOff);

  link<&THIDoData::doData>(start.onEvent[0], busyOn);
  link<&ThiIconAnimation::doStart>(start.onEvent[1], animation);
  link<&THITimer::doStart>(start.onEvent[2], settle);
  link<&THIMemory::doValue>(busyOn.onEventData, busy);
  out(animation.onPicture, Picture);

  link<&THIHub::doEvent>(settle.onTimer, settled);
  link<&THIDoData::doData>(settled.onEvent[0], busyOff);
  link<&THIIf_else::doCompare>(settled.onEvent[1], isConnected);
  link<&THIMemory::doValue>(busyOff.onEventData, busy);

  link<&THIMemory::Value>(idle.Op1, busy);
  link<&THIIf_else::doCompare>(idle.onTrue, isConnected);
  link<&THIMemory::Value>(isConnected.Op1, connected);
  link<&THIDoData::doData>(isConnected.onTrue, connectedPicture);
  link<&THIDoData::doData>(isConnected.onFalse, disconnectedPicture);
  out(connectedPicture.onEventData, Picture);
  out(disconnectedPicture.onEventData, Picture);

  link<&THIMemory::doValue>(connectedOn.onEventData, connected);
  link<&THIMemory::doValue>(connectedOff.onEventData, connected);
}

}  // namespace hi
