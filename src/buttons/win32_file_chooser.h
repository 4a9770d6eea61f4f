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

// An existing file, with the system's title: filterText is readable text with "|" between
// names and patterns ("Wave Files(*.wav)|*.wav||"); no network button, share-aware.
std::optional<std::string> ChooseExistingFile(const char* filterText, const char* defaultExtension);

}  // namespace qp
