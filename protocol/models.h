// What each encoder model takes, once: how its lines end, how wide its radio text is, which
// functions it offers and the form of its clock time. The connection page sets its switches
// from these rows, and every panel and the virtual encoder read them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/functions.h"

namespace protocol {

// The positions of the connection page's device list.
enum Model : uint8_t { Tessel10, Tessel20, Tessel20LastOn, kModels };

enum class ClockTimeForm : uint8_t { Text, Bytes };

// A setting the model leaves as the model chosen before set it: the functions it belongs to are
// not offered.
inline constexpr int8_t kKeep = -1;

constexpr uint32_t Offers(Function f) { return 1u << f; }
template <class... F>
constexpr uint32_t Offers(Function f, F... more) {
  return Offers(f) | Offers(more...);
}

struct ModelRow {
  Model id;
  const char* name;  // as the device list shows it
  const char* terminator;
  const char* terminatorName;  // as the virtual encoder reports it
  int rtWidth;
  uint32_t functions;
  ClockTimeForm clockTime;
  int8_t laterPages;        // Page PS pages 7..10: 1 shown, 0 hidden
  int8_t scrollingPsLimit;  // 0 the long limit, 1 the short one
};

inline constexpr uint32_t kEveryModelOffers = Offers(Pi, Rt, Pty, Di, TpTaMs);

inline constexpr auto kModelRows = std::to_array<ModelRow>({
    {Tessel10, "Tessel 10(Stand Alone)", "\r\n", "CRLF", 64,
     kEveryModelOffers | Offers(ScrollingPs, PagePs, Af), ClockTimeForm::Text, 1, 0},
    {Tessel20, "Tessel 20(Stand Alone)", "\r\n", "CRLF", 32,
     kEveryModelOffers | Offers(ScrollingPs, PagePs), ClockTimeForm::Text, 0, 1},
    {Tessel20LastOn, "Tessel 20(Last On)", "\n", "LF", 35, kEveryModelOffers | Offers(Ps),
     ClockTimeForm::Bytes, kKeep, kKeep},
});
static_assert(kModelRows.size() == kModels && detail::InIdOrder(kModelRows));

constexpr const ModelRow& Row(Model m) { return kModelRows[m]; }
constexpr bool Offered(Model m, Function f) { return (Row(m).functions & Offers(f)) != 0; }

// Scrolling PS and Page PS come and go together: one switch shows both.
constexpr bool OffersPagedPs(Model m) { return Offered(m, ScrollingPs); }
static_assert([] {
  for (const ModelRow& row : kModelRows)
    if (Offered(row.id, ScrollingPs) != Offered(row.id, PagePs)) return false;
  return true;
}());

constexpr int WidestRt() {
  int widest = 0;
  for (const ModelRow& row : kModelRows)
    if (row.rtWidth > widest) widest = row.rtWidth;
  return widest;
}

// How a line of a command ends on a model, given the functions that send it: those the model
// offers decide, else any. nullptr for the page's own commands (TI, SM, RM).
constexpr const char* ExpectedTerminator(Model m, Command c) {
  const char* any = nullptr;
  for (const FunctionRow& f : kFunctionRows) {
    if (!(f.commands & Sends(c))) continue;
    const char* end = f.lineEnd == LineEnd::Model  ? Row(m).terminatorName
                      : f.lineEnd == LineEnd::CrLf ? "CRLF"
                                                   : "LF";
    if (Offered(m, f.id)) return end;
    if (!any) any = end;
  }
  return any;
}

// Whether some function of the model sends the command; the page's own commands always are.
constexpr bool CommandOffered(Model m, Command c) {
  bool sentByAFunction = false;
  for (const FunctionRow& f : kFunctionRows) {
    if (!(f.commands & Sends(c))) continue;
    if (Offered(m, f.id)) return true;
    sentByAFunction = true;
  }
  return !sentByAFunction;
}

}  // namespace protocol
