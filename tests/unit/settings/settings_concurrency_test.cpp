#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "fakes/fake_registry.h"
#include "fakes/fake_settings_host.h"
#include "settings/settings_transfer.h"

namespace qp {
namespace {

// A worker copying the settings while the window thread reloads them must only
// ever see whole texts. Meant to run under AddressSanitizer.
TEST(SettingsConcurrencyTest, CopiesTakenDuringLoadsAreWhole) {
    const std::string hostA(200, 'a');
    const std::string hostB(300, 'b');
    test::FakeRegistry reg;
    reg.PutString("HKCU\\Software\\VRX\\0.01", "MailProgram", "m.exe");
    SettingsStore store;
    test::FakeSettingsHost host{store};

    std::atomic<bool> done{false};
    std::atomic<int> copies{0};
    std::atomic<int> torn{0};
    std::thread worker([&] {
        while (!done) {
            const Settings s = store.Copy();
            if (!s.MailHost.empty() && s.MailHost != hostA && s.MailHost != hostB) ++torn;
            ++copies;
        }
    });

    for (int pass = 0; pass < 300; ++pass) {
        reg.PutString("HKCU\\Software\\VRX\\0.01", "MailHost", pass % 2 ? hostB : hostA);
        TransferSettings(Direction::Load, store, reg, host);
    }
    while (copies < 100) std::this_thread::yield();
    done = true;
    worker.join();

    EXPECT_EQ(torn, 0);
    EXPECT_EQ(store.Values().MailHost, hostB);
}

}  // namespace
}  // namespace qp
