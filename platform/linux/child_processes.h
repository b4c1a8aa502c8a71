#pragma once

#include <string_view>
#include <vector>

#include <sys/types.h>

namespace qarvex {

// The processes below this one (its children, theirs, and so on) whose command name, as
// the kernel keeps it (at most 15 bytes), is name.
std::vector<pid_t> DescendantsNamed(std::string_view name);

// Asks those processes to end, waits up to graceMs for them, then ends the rest at once.
// A helper a library started must not outlive the program: once the program is gone
// nothing would ever end it, and it holds its memory meanwhile.
void EndDescendantsNamed(std::string_view name, int graceMs);

}  // namespace qarvex
