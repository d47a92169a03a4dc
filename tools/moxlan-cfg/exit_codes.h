// What moxlan-cfg's exit code tells a script.
#pragma once

namespace moxlan::cfg {

constexpr int kExitDone = 0;
// The file does not exist (but for add, which creates it), cannot be read or written, or is no
// configuration the simulator loads whole; it is left as it was.
constexpr int kExitFileProblem = 1;
// The command line is wrong, or asks for an edit the file's variables do not allow; the file
// is left as it was.
constexpr int kExitRefused = 2;

} // namespace moxlan::cfg
