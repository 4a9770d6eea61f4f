#pragma once
#include <string>

namespace qp {

// A file chooser's filter list from readable text: each separator becomes a NUL,
// and the list ends with two NULs however the text ends.
std::string FilterList(const std::string& text, char separator);

}  // namespace qp
