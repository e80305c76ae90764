// The demo day: a made-up day of two meetings served by a local site, run with the window or
// without one.
#pragma once

#include <functional>

#include "app/command_line.h"

namespace kazeyomi {

class Notifier;
class Session;

// Starts the local site, takes the day's folders, writes the day's cards and hands a session on
// the demo's clock to `front`, whose exit code it returns; a failure on the way is told and
// returned as its exit code.
int runDemo(CommandLine line, Notifier& notifier, const std::function<int(Session&)>& front);

} // namespace kazeyomi
