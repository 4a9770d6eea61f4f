#include "device/media_player_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_media_player_search.h"

namespace qp {
namespace {

using test::FakeMediaPlayerSearch;

const std::string kWmplayer = "C:\\Program Files\\Windows Media Player\\wmplayer.exe";
const std::string kSystemCd = "C:\\windows\\System32\\cdplayer.exe";
const std::string kCd = "C:\\windows\\cdplayer.exe";
const std::string kMplayer = "C:\\windows\\mplayer.exe";

TEST(MediaPlayerSearchTest, TheProgramFilesPlayerIsPreferred) {
    FakeMediaPlayerSearch api;
    api.present = {kWmplayer, kSystemCd, kCd, kMplayer};
    EXPECT_EQ(FindMediaPlayer(api), kWmplayer);
    EXPECT_EQ(api.calls, (std::vector<std::string>{"ProgramFilesFolder", "WindowsFolder",
                                                   "Open " + kWmplayer}));
}

TEST(MediaPlayerSearchTest, TheWindowsFolderPlayersAreTriedInOrder) {
    FakeMediaPlayerSearch api;
    api.present = {kCd, kMplayer};
    EXPECT_EQ(FindMediaPlayer(api), kCd);
}

TEST(MediaPlayerSearchTest, OnlyMplayerIsChosenAfterThreeFailedOpens) {
    FakeMediaPlayerSearch api;
    api.present = {kMplayer};
    EXPECT_EQ(FindMediaPlayer(api), kMplayer);
    EXPECT_EQ(api.calls,
              (std::vector<std::string>{"ProgramFilesFolder", "WindowsFolder", "Open " + kWmplayer,
                                        "Open " + kSystemCd, "Open " + kCd, "Open " + kMplayer}));
}

TEST(MediaPlayerSearchTest, NoPlayerShowsTheMessageThenEndsTheProcess) {
    FakeMediaPlayerSearch api;
    EXPECT_EQ(FindMediaPlayer(api), "");
    EXPECT_EQ(api.calls, (std::vector<std::string>{
                             "ProgramFilesFolder", "WindowsFolder", "Open " + kWmplayer,
                             "Open " + kSystemCd, "Open " + kCd, "Open " + kMplayer, "Message",
                             "EndProcess"}));
}

TEST(MediaPlayerSearchTest, FoldersAreUsedAsTheyCome) {
    FakeMediaPlayerSearch api;
    api.programFiles = "";
    api.windows = "D:\\WIN\\";
    api.present = {"D:\\WIN\\\\mplayer.exe"};
    EXPECT_EQ(FindMediaPlayer(api), "D:\\WIN\\\\mplayer.exe");
    EXPECT_EQ(api.calls[2], "Open \\Windows Media Player\\wmplayer.exe");
}

}  // namespace
}  // namespace qp
