#pragma once
// A MediaPlayerSearchApi over a set of openable paths, logging every call in order.
#include <set>
#include <string>
#include <vector>

#include "device/media_player_search_api.h"

namespace qp::test {

class FakeMediaPlayerSearch : public MediaPlayerSearchApi {
public:
    std::string ProgramFilesFolder() override {
        calls.push_back("ProgramFilesFolder");
        return programFiles;
    }
    std::string WindowsFolder() override {
        calls.push_back("WindowsFolder");
        return windows;
    }
    bool CanOpenExclusive(const std::string& path) override {
        calls.push_back("Open " + path);
        return present.count(path) != 0;
    }
    void ShowPlayerMissingMessage() override { calls.push_back("Message"); }
    void EndProcess() override { calls.push_back("EndProcess"); }

    std::string programFiles = "C:\\Program Files";
    std::string windows = "C:\\windows";
    std::set<std::string> present;
    std::vector<std::string> calls;
};

}  // namespace qp::test
