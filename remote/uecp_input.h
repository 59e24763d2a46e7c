// UECP in: frames from an automation system or a programme feed put their values on air through
// the operator's actions, with writes to rds.ini held back (they change with every title). While
// the source sends, the dynamic PS and RT lines are held back for what it set; when it has been
// quiet for "Fallback after" minutes, the panel's own values go back on air until the next frame.
//
// rds.ini [UECP]: Listen (tcp://ADDR:PORT or udp://ADDR:PORT, empty: off), Site address and
// Encoder address (0: any), Programme service (default 0), Fallback after (minutes, 0: never).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "platform/time_host.h"
#include "remote/uecp_elements.h"
#include "remote/uecp_listener.h"
#include "runtime/runtime.h"

namespace hi {
class MainWindow;
}

namespace remote {

class UecpInput : public hi::TDebug {
 public:
  static constexpr const char* kSection = "UECP";

  explicit UecpInput(hi::MainWindow& window);
  ~UecpInput();
  UecpInput(const UecpInput&) = delete;
  UecpInput& operator=(const UecpInput&) = delete;

  // Listens on the address in the value (the page's field, at load and when edited); an empty
  // text closes the listener. The other keys are read again each time.
  void doListen(hi::TData& data, uint16_t index);

  enum class State : uint8_t { Off, Problem, Waiting, Active, Fallback };

  struct Counts {
    uint64_t applied = 0;       // elements put on air
    uint64_t wrongAddress = 0;  // frames for another site or encoder
    uint64_t otherSet = 0;      // elements for another data set or programme service
    uint64_t refused = 0;       // values the panel refuses, or that are out of range
    uint64_t unsupported = 0;
    uint64_t notConnected = 0;
  };

  [[nodiscard]] State state() const { return state_; }
  [[nodiscard]] const Counts& counts() const { return counts_; }
  [[nodiscard]] const uecp::Listener& listener() const { return listener_; }
  // What the page shows: source, frames, drops by reason, last element, fallback state.
  [[nodiscard]] std::string stateLine() const;

  // The frame as the listener hands it over; the acknowledgement's code, none when the frame
  // is for another encoder.
  std::optional<uecp::Ack> take(const uecp::Frame& frame);

 private:
  uecp::Ack apply(const uecp::Element& e);
  // Runs an action with the writes held back; false when it did not go on air.
  bool act(const char* name, const std::string& value);
  void fallBack();
  void setState(State state);
  void showState();
  void noteOnce(uint8_t code, const std::string& text);

  hi::MainWindow& window_;
  uecp::Listener listener_;
  std::unique_ptr<platform::HostTimer> fallbackTimer_;
  std::unique_ptr<platform::HostTimer> showTimer_;
  State state_ = State::Off;
  std::string problem_;
  uint16_t site_ = 0;
  uint8_t encoder_ = 0;
  uint8_t psn_ = 0;
  uint32_t fallbackMinutes_ = 0;
  Counts counts_;
  std::string lastElement_;
  // What the source set, restored from the panel's own values at a fallback.
  std::set<std::string> set_;
  bool rtKnown_ = false;
  bool rtAb_ = false;
  std::string rtText_;
  std::array<bool, 256> logged_{};
  // Whether the log has said that frames were not used, per reason (the page's order).
  std::array<bool, uecp::kDropReasons + 5> unusedLogged_{};
  std::string shown_;
};

}  // namespace remote
