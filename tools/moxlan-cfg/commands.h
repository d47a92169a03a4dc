// The commands of moxlan-cfg, each on one configuration file. They return the exit code, with
// a message on err for any but kExitDone.
#pragma once

#include "tools/moxlan-cfg/exit_codes.h"
#include "tools/moxlan-cfg/variable_edits.h"

#include <filesystem>
#include <ostream>

namespace moxlan::cfg {

int showConfig(const std::filesystem::path& file, bool json, std::ostream& out, std::ostream& err);
// Adds a variable under the rules of the simulator's New Variable command: at most 200
// variables, unique names, and the fields of a new variable unless edits give others. A file
// that does not exist yet is created.
int addVariable(const std::filesystem::path& file, const std::string& name,
                const VariableEdits& edits, std::ostream& err);
int setVariable(const std::filesystem::path& file, const std::string& name,
                const VariableEdits& edits, std::ostream& err);
int removeVariable(const std::filesystem::path& file, const std::string& name, std::ostream& err);

} // namespace moxlan::cfg
