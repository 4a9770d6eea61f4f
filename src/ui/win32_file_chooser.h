#pragma once
// The two open-file choosers of the slots; each answers the full path chosen, or
// nothing when the user cancels.
#include <windows.h>

#include <optional>
#include <string>

namespace qp {

// An executable (or any file) through the chooser of fixed layout that the bar's browse
// buttons and the mail program's button use: a help button, two filters, `title`.
std::optional<std::string> ChooseExecutable(HWND owner, const char* title);
// The bar's browse buttons: ChooseExecutable without an owner.
std::optional<std::string> ChooseFileForBar();
// The slot button's menu: the system's title, three filters, default extension "txt".
std::optional<std::string> ChooseFileForSlotMenu();

// An existing file, with the system's title: filterText is readable text with "|" between
// names and patterns ("Wave Files(*.wav)|*.wav||"); no network button, share-aware.
std::optional<std::string> ChooseExistingFile(const char* filterText, const char* defaultExtension);

}  // namespace qp
