#include "mail/mail_defaults.h"

namespace qp {

namespace {
constexpr char kMailProgramFolder[] = ":\\Program Files\\Outlook Express\\MSIMN.EXE";
}  // namespace

std::string DefaultMailProgram(const std::string& programFiles) {
    if (programFiles.empty()) return std::string("C") + kMailProgramFolder;
    const size_t colon = programFiles.find(':');
    // A value without a colon has no drive: the path then begins with the colon.
    const std::string drive = colon == std::string::npos ? "" : programFiles.substr(0, colon);
    return drive + kMailProgramFolder;
}

std::string DefaultWavePath(const std::string& windowsDirectory) {
    return windowsDirectory + "\\Media\\notify.wav";
}

}  // namespace qp
