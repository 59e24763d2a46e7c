// The panel of each send function. Every panel's header names its function; the RDS settings
// page builds one panel per row of the function table, so a row without a panel does not compile.
//
// A function panel is raised by its input BringToFront, loads on Load and hands over its lines on
// its output Lines; one whose lines end with the model's terminator reads it from its data input
// Terminator.
#pragma once

#include "protocol/functions.h"

namespace hi {

template <protocol::Function F>
struct PanelOf;

}  // namespace hi
