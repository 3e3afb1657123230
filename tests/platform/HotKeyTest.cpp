#include "app/platform/x11/X11HotKey.h"
#include "tests/platform/support/Desktop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace dustlyn {
namespace {

using testing::spinUntil;
using testing::tool;

constexpr std::uint16_t ctrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
constexpr std::uint16_t numLock = XCB_MOD_MASK_2; // where Xvfb's default keymap puts it

class HotKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        hotKey.action = [this] { ++presses; };
    }
    // Ctrl+Alt+P, and whether it called the action once more.
    bool pressed() {
        const int before = presses;
        tool("xdotool", {"key", "ctrl+alt+p"});
        return spinUntil([&] { return presses == before + 1; });
    }

    X11HotKey hotKey{X11Connection::fromQt()};
    int presses = 0;
    testing::XcbClient other;
    const xcb_keycode_t p = other.keycodeOf('p');
};

struct Locks {
    const char* name;
    std::vector<std::string> toggles; // keys pressed before the shortcut, and again after
};

const Locks locks[] = {
    {"withNumLock", {"Num_Lock"}},
    {"withCapsLock", {"Caps_Lock"}},
    {"withBothLocks", {"Num_Lock", "Caps_Lock"}},
};

class HotKeyWithLocks : public HotKeyTest, public ::testing::WithParamInterface<Locks> {};

TEST_P(HotKeyWithLocks, ctrlAltPCallsTheActionOncePerPress) {
    hotKey.registerHotKey();
    for (const auto& key : GetParam().toggles)
        tool("xdotool", {"key", key});
    EXPECT_TRUE(pressed());
    EXPECT_TRUE(pressed());
    for (const auto& key : GetParam().toggles)
        tool("xdotool", {"key", key});
}

INSTANTIATE_TEST_SUITE_P(Locks, HotKeyWithLocks, ::testing::ValuesIn(locks), testing::RowName());

// Every combination is the server's again: another client can take each of them.
TEST_F(HotKeyTest, unregisteringGivesEveryCombinationBack) {
    hotKey.registerHotKey();
    hotKey.registerHotKey(); // twice is harmless
    hotKey.unregisterHotKey();
    testing::syncQt();
    for (const int lock : {0, int(XCB_MOD_MASK_LOCK), int(numLock), numLock | XCB_MOD_MASK_LOCK})
        EXPECT_TRUE(other.grabKey(static_cast<std::uint16_t>(ctrlAlt | lock), p)) << lock;
}

TEST_F(HotKeyTest, aShortcutAnotherProgramOwnsIsReportedOnceAndLeftToIt) {
    ASSERT_TRUE(other.grabKey(ctrlAlt, p));
    ::testing::internal::CaptureStderr();
    hotKey.registerHotKey();
    hotKey.registerHotKey();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "dustlyn: another program already uses Ctrl+Alt+P, so it does not open the notch; "
              "bind another shortcut to \"dustlyn toggle\" in the desktop's keyboard settings\n");
    // The combinations that were free are not kept either.
    testing::XcbClient third;
    EXPECT_TRUE(third.grabKey(static_cast<std::uint16_t>(ctrlAlt | numLock), p));
    tool("xdotool", {"key", "ctrl+alt+p"});
    EXPECT_TRUE(spinUntil([&] {
        other.pump();
        return other.keysPressed == std::vector<xcb_keycode_t>{p};
    }));
    EXPECT_EQ(presses, 0);
}

// xmodmap moves P to another key: the shortcut follows it, and the old key is free again.
TEST_F(HotKeyTest, followsTheKeyWhenTheKeyboardMappingChanges) {
    hotKey.registerHotKey();
    const xcb_keycode_t q = other.keycodeOf('q');
    tool("xmodmap", {"-e", "keycode " + std::to_string(p) + " = q Q", "-e",
                     "keycode " + std::to_string(q) + " = p P"});
    ASSERT_TRUE(spinUntil([&] { return other.grabKey(ctrlAlt, p); }));
    EXPECT_TRUE(pressed());
}

// The server announces a new keymap whenever typing switches keyboards (the first key from a
// virtual keyboard does): renewing the grabs must never leave the key free for a moment, or a
// press arriving then goes to the focused window. Another client tries to take it throughout.
TEST_F(HotKeyTest, renewingTheGrabsNeverLeavesTheKeyFree) {
    hotKey.registerHotKey();
    testing::syncQt();
    std::atomic<bool> stop = false;
    std::atomic<bool> taken = false;
    std::atomic<int> tries = 0;
    std::thread rival([&] {
        testing::XcbClient client;
        while (!stop && !taken) {
            taken = client.grabKey(ctrlAlt, p);
            ++tries;
        }
    });
    const std::string sameMapping = "keycode " + std::to_string(p) + " = p P";
    for (int notification = 0; notification < 5 && !taken; ++notification) {
        tool("xmodmap", {"-e", sameMapping});
        const int before = tries;
        spinUntil([&] { return taken || tries > before + 300; });
    }
    stop = true;
    rival.join();
    EXPECT_FALSE(taken);
    EXPECT_TRUE(pressed());
}

} // namespace
} // namespace dustlyn
