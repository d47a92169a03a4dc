// The rules a variable that moxlan-cfg writes must pass beyond what each option's text allows,
// with the messages a user sees when it does not.
#pragma once

#include "tools/moxlan-cfg/variable_edits.h"

#include <ostream>
#include <string_view>

namespace moxlan::cfg {

// A new variable's name is not empty and reaches clients whole. False with a message on err.
bool checkNewName(std::string_view name, std::ostream& err);

// The device, with the edits applied, has a low end no greater than its high end whenever the
// edits gave either end; a range the simulator's dialog left reversed may stay as it is under
// other edits. False with a message on err.
bool checkRange(const CDeviceTag& device, const VariableEdits& edits, std::ostream& err);

// A wave, when the edits gave its type or its step, has a period of at least two seconds.
// False with a message on err.
bool checkPeriod(const CDeviceTag& device, const VariableEdits& edits, std::ostream& err);

} // namespace moxlan::cfg
