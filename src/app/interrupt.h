// Ctrl-C in the headless mode: stop between two ticks instead of dying mid-write.
#pragma once

#include <functional>

namespace kazeyomi {

// Calls `handler` on the event loop's thread when the user interrupts the program; a later
// call replaces it, an empty handler ignores the interrupt.
void onInterrupt(std::function<void()> handler);

} // namespace kazeyomi
