// The window program, installed beside the command line program, run in its place.
#pragma once

namespace kazeyomi {

// Runs the window program with this program's arguments and returns the exit code to end
// with: where the platform allows, the window program replaces this process and nothing
// returns; elsewhere it is waited for and its exit code passed on. A window program that
// cannot be started is told on standard error.
int runWindowProgram(int argc, char** argv);

} // namespace kazeyomi
