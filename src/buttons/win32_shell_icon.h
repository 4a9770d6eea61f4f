#pragma once
#include <string>

#include "win32/unique_handle.h"

namespace qp {

// The shell's icon for a slot's file: large, or small for the floating bar. A file
// the shell cannot give an icon for (it no longer exists, say) gets the icon of its
// type, so that an assigned slot never looks empty.
UniqueIcon ShellIconFor(const std::string& path, bool small);

}  // namespace qp
