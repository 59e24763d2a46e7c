// Every function the operator can send to the encoder, once: the command lines it writes, where
// the RDS settings page shows it, when it loads and how its lines end. The page, the function
// selector and the virtual encoder are built from these rows; a new function is a panel, a row
// here and the virtual encoder's decoding of its command.
#pragma once

#include <array>
#include <cstdint>

namespace protocol {

// The section of rds.ini the RDS settings page keeps its functions in.
inline constexpr const char* kRdsSettings = "RDS Settings";

// Every command line the encoder takes, by its two letters.
enum Command : uint8_t { PI, PS, DS, RT, PT, DI, TP, TA, MS, AF, TI, SM, RM, kCommands };

struct CommandRow {
  Command id;
  const char* code;
};
inline constexpr auto kCommandRows = std::to_array<CommandRow>({
    {PI, "PI"},
    {PS, "PS"},
    {DS, "DS"},
    {RT, "RT"},
    {PT, "PT"},
    {DI, "DI"},
    {TP, "TP"},
    {TA, "TA"},
    {MS, "MS"},
    {AF, "AF"},
    {TI, "TI"},
    {SM, "SM"},
    {RM, "RM"},
});

constexpr uint32_t Sends(Command c) { return 1u << c; }
template <class... C>
constexpr uint32_t Sends(Command c, C... more) {
  return Sends(c) | Sends(more...);
}

// Model: the terminator of the chosen encoder model; CrLf and Lf: always that one.
enum class LineEnd : uint8_t { Model, CrLf, Lf };

enum Function : uint8_t { Pi, ScrollingPs, PagePs, Rt, Pty, Di, TpTaMs, Ps, Af, kFunctions };

struct FunctionRow {
  Function id;
  // The selector's item: caption, hint, top and width. Items of functions that no model offers
  // together share a place.
  const char* caption;
  const char* hint;
  int top, width;
  uint32_t commands;
  LineEnd lineEnd;
  // The key in kRdsSettings that holds its text or value; nullptr for a panel that keeps one key
  // per page, flag or frequency.
  const char* iniKey;
  // Loaded after the page's own "Transmit CT" setting, not before it.
  bool loadsAfterClockTime;
  // Built last, so that its panel is the one in front at start.
  bool startsInFront;
};

// In the order of the selector's positions and of the start-up load.
inline constexpr auto kFunctionRows = std::to_array<FunctionRow>({
    {Pi, "PI", "Program Identification", 13, 28, Sends(PI), LineEnd::Model, "PI", false, true},
    {ScrollingPs, "Scrolling PS", "Scrolling Program Service", 36, 83, Sends(PS, DS), LineEnd::CrLf,
     "Scrolling PS", false, false},
    {PagePs, "Page PS", "Page Program Service", 59, 63, Sends(PS, DS), LineEnd::CrLf, nullptr,
     false, false},
    {Rt, "RT", "Radio Text", 82, 28, Sends(RT), LineEnd::Model, "RT", false, false},
    {Pty, "PTY", "Program Type", 105, 33, Sends(PT), LineEnd::Model, "PTY", false, false},
    {Di, "DI", "Decoder Identification", 128, 28, Sends(DI), LineEnd::Model, nullptr, false, false},
    {TpTaMs, "TP,TA,M/S", "", 151, 73, Sends(TP, TA, MS), LineEnd::Model, nullptr, false, false},
    {Ps, "PS", "Program Service", 36, 83, Sends(PS), LineEnd::Lf, "PS", true, false},
    {Af, "AF", "Alternative Frequencies", 174, 83, Sends(AF), LineEnd::CrLf, nullptr, true, false},
});

namespace detail {
template <class Rows>
constexpr bool InIdOrder(const Rows& rows) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (static_cast<size_t>(rows[i].id) != i) return false;
  return true;
}
}  // namespace detail

// A missing or misplaced row does not compile.
static_assert(kCommandRows.size() == kCommands && detail::InIdOrder(kCommandRows));
static_assert(kFunctionRows.size() == kFunctions && detail::InIdOrder(kFunctionRows));

constexpr const FunctionRow& Row(Function f) { return kFunctionRows[f]; }
constexpr const char* Code(Command c) { return kCommandRows[c].code; }

}  // namespace protocol
