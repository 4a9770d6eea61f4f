#pragma once
#include <windows.h>

#include <string>

namespace qp {

// Gives the first item of the menu whose text is exactly `current` the new text,
// keeping its command id. Returns false when no item carries that text.
bool RenameMenuItem(HMENU menu, const char* current, const std::string& text);

}  // namespace qp
