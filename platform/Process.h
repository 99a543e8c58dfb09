#pragma once
// Ending the process at once, as the programs do when a prerequisite is
// missing: no clean-up, no settings or window placements saved.
#include <functional>

namespace process {

// Ends the process with ExitCode after flushing the standard streams. With a
// handler installed (tests) the handler gets the code instead and Halt
// returns, so a caller must not rely on Halt never returning.
void Halt(int ExitCode);

// Tests: Handler receives the exit code instead of ending the process; an
// empty handler restores the real exit. Returns the previous handler.
std::function<void(int)> SetHaltHandler(std::function<void(int)> Handler);

}  // namespace process
