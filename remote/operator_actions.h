// What the operator can do to the encoder, as data: one row per action, by name. A row reaches
// the panels exactly as the window's control does — the field's text, the box's state or the
// list's item is set through the control, then its button is clicked — so the validation, the
// warning, the bytes and their order and the rds.ini writes are those of the operator's click.
// Remote faces (the UECP input, a web console) act through these rows only.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace hi {
class MainWindow;
}

namespace remote {

struct ActionResult {
  enum Outcome {
    Done,
    Refused,       // the value was not taken; `warning` says why, as the window shows it
    NotConnected,  // nothing was done: the connection is not made
    Unknown,       // no such action
  };
  Outcome outcome = Done;
  std::string warning;

  bool done() const { return outcome == Done; }
};

struct ActionRow {
  const char* name;
  // What the value is, in the operator's words.
  const char* value;
  ActionResult (*run)(hi::MainWindow& window, std::string_view value);
};

// Texts are in the program's code page. Flags are "1" or "0".
extern const std::array<ActionRow, 14> kActions;

// Runs the row named `name`; Unknown when there is none.
ActionResult RunAction(hi::MainWindow& window, std::string_view name, std::string_view value);

}  // namespace remote
