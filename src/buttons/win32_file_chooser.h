#pragma once
// The two open-file choosers of the slots; each answers the full path chosen, or
// nothing when the user cancels.
#include <optional>
#include <string>

namespace qp {

// The bar's browse buttons: titled, with a help button and two filters.
std::optional<std::string> ChooseFileForBar();
// The slot button's menu: the system's title, three filters, default extension "txt".
std::optional<std::string> ChooseFileForSlotMenu();

}  // namespace qp
