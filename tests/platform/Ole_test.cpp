// Whether the desktop services can be reached before the GUI toolkit starts.
#include "platform/Ole.h"

#include <gtest/gtest.h>

#include "testkit/TestKit.h"

namespace {

TEST(Ole, TheDisplayOfTheNamedOrChosenPlatform) {
    const struct {
        const char* platform;  // nullptr: not set
        const char* display;
        const char* wayland;
        bool reachable;
    } cases[] = {
        {"offscreen", nullptr, nullptr, true},  {"minimal", nullptr, nullptr, true},
        {"xcb", ":7", nullptr, true},           {"xcb", nullptr, "wayland-0", false},
        {"xcb:foo=1", ":7", nullptr, true},     {"wayland", nullptr, "wayland-0", true},
        {"wayland-egl", ":7", nullptr, false},  {"wayland;xcb", ":7", nullptr, true},
        {"wayland;xcb", nullptr, nullptr, false}, {nullptr, ":7", nullptr, true},
        {nullptr, nullptr, "wayland-0", true},  {nullptr, nullptr, nullptr, false},
        {"", nullptr, nullptr, false},
    };
    for (const auto& c : cases) {
        testkit::ScopedEnv platform("QT_QPA_PLATFORM", c.platform ? std::optional<std::string>(c.platform) : std::nullopt);
        testkit::ScopedEnv display("DISPLAY", c.display ? std::optional<std::string>(c.display) : std::nullopt);
        testkit::ScopedEnv wayland("WAYLAND_DISPLAY", c.wayland ? std::optional<std::string>(c.wayland) : std::nullopt);
        EXPECT_EQ(ole::Initialize(), c.reachable)
            << (c.platform ? c.platform : "(none)") << " " << (c.display ? c.display : "-") << " "
            << (c.wayland ? c.wayland : "-");
    }
}

}  // namespace
