#include "device/media_player_path.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace qp {
namespace {

// Start-up writes the path while the hot-key worker may already be reading it.
TEST(MediaPlayerPathTest, AReaderOnAnotherThreadSeesEitherTextWhole) {
    const std::string before = "C:\\old\\player.exe";
    const std::string after = "C:\\Program Files\\Windows Media Player\\wmplayer.exe";
    SetMediaPlayerPath(before);
    std::thread reader([&] {
        for (int i = 0; i < 2000; ++i) {
            const std::string seen = MediaPlayerPath();
            ASSERT_TRUE(seen == before || seen == after) << seen;
        }
    });
    for (int i = 0; i < 2000; ++i) SetMediaPlayerPath(i % 2 ? after : before);
    reader.join();
    SetMediaPlayerPath(after);
    EXPECT_EQ(MediaPlayerPath(), after);
}

}  // namespace
}  // namespace qp
