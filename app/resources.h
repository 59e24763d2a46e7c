// The pictures compiled into the program.
#pragma once

namespace hi {

// Registers the ":/pictures/..." resources. They live in a static library, so the linker keeps
// them only when this is called, once, before the main window is built.
void InitPictures();

}  // namespace hi
