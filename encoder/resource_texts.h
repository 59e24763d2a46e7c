// The text lists compiled into the program, one entry per line.
#pragma once

namespace hi {

// The 32 programme-type names, code 0 first.
const char* PtyNamesText();
// The FM frequencies 87.5 to 107.9 MHz in 100 kHz steps (" 87.5" .. "107.9"), then "No AF":
// entry p is AF code p.
const char* AfFrequenciesText();

}  // namespace hi
