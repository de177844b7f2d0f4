// Runs an external program (ffmpeg) as a child process and waits for it.
#pragma once

#include <string>
#include <vector>

namespace samplegen {

// Runs argv[0] (searched in PATH) with the given arguments, standard input closed and
// standard output/error shared with ours. Throws when it cannot start or does not end
// with exit status 0.
void runProgram(const std::vector<std::string> &argv);

// The command line as a shell would show it, for --verbose and error messages.
std::string quoteCommand(const std::vector<std::string> &argv);

}  // namespace samplegen
