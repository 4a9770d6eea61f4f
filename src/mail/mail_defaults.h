#pragma once
// First values of the mail program and the notification sound, filled in at start-up
// when empty.
#include <string>

namespace qp {

// Only the drive of "ProgramFiles" (the text before its first colon) is taken; the
// folder is always "Program Files". Empty: drive C; without a colon: no drive.
std::string DefaultMailProgram(const std::string& programFiles);

// The system's notify sound in the Windows directory.
std::string DefaultWavePath(const std::string& windowsDirectory);

}  // namespace qp
