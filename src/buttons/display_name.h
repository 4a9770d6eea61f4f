#pragma once
#include <string>

namespace qp {

// The name a slot's tip shows for its file: the last path element, without a
// shortcut's ".lnk" or ".LNK" (other spellings are kept). A suffix text found only
// before the last backslash gives an empty name.
std::string DisplayName(const std::string& path);

}  // namespace qp
