// The command line of moxlan-cfg: show, add, set and remove on one configuration file.
#pragma once

#include <ostream>

namespace moxlan::cfg {

// Parses the arguments, runs the command and returns the exit code; help and errors go to the
// streams.
int runMoxlanCfg(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace moxlan::cfg
