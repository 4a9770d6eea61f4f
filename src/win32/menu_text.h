#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

namespace qp {

// Position of the first item whose text is exactly one of texts (compared
// case-sensitively), or -1.
int FindMenuItem(HMENU menu, std::initializer_list<const char*> texts);

// Gives the first item whose text is one of texts the new text, keeping its command
// id. Returns false when no item carries such a text.
bool RenameMenuItem(HMENU menu, std::initializer_list<const char*> texts, const std::string& text);
inline bool RenameMenuItem(HMENU menu, const char* current, const std::string& text) {
    return RenameMenuItem(menu, {current}, text);
}

}  // namespace qp
