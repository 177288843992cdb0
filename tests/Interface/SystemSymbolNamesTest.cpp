#include "VellicorApp/SampleResources.hpp"

#include "Platform/UI/Image.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>

// A symbol the platform does not know gives no image, and the tab, button or
// menu entry that asked for it silently shows none. These tests keep the
// platform's list and the app's names in step.

namespace fs = std::filesystem;

namespace {

/// The symbols the app's screens show: tab and back buttons, quick actions,
/// menus, the developer menu, check boxes and progress.
constexpr const char* kScreenSymbols[] = {
    "arrowtriangle.down.circle", "checkmark",   "checkmark.circle", "checkmark.square", "chevron.backward",
    "eye.slash.fill",            "link",        "plus.circle",      "square",           "square.fill",
    "trash",                     "xmark",       "exclamationmark.circle",
};

/// Every literal symbol name in the app's sources: the argument of
/// systemNamed("...") or systemImage("..."), and a constant named k...Symbol.
std::set<std::string> symbolNamesInAppSources(const fs::path& folder) {
    static const std::regex kPatterns[] = {
        std::regex(R"re((?:systemNamed|systemImage)\(\s*"([^"]*)")re"),
        std::regex(R"re(\bk\w*Symbol\s*=\s*"([^"]*)")re"),
    };
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".hpp")) continue;
        std::ifstream file(entry.path());
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        for (const auto& pattern : kPatterns) {
            for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
                names.insert((*it)[1].str());
            }
        }
    }
    return names;
}

} // namespace

TEST(SystemSymbolNamesTest, EverySymbolTheScreensShowResolves) {
    for (const char* name : kScreenSymbols) {
        auto image = platform::ui::Image::systemNamed(name);
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->name(), name);
    }
}

TEST(SystemSymbolNamesTest, EverySymbolTheAppNamesResolves) {
    // The app's sources lie beside its sample package.
    const fs::path app = vellicor::sampleResourcesDirectory().parent_path();
    ASSERT_TRUE(fs::is_directory(app)) << app;
    const auto names = symbolNamesInAppSources(app);
    // The scan itself works: the tab icon's fallback is among them.
    ASSERT_TRUE(names.contains("square.fill"));
    for (const auto& name : names) {
        EXPECT_NE(platform::ui::Image::systemNamed(name), nullptr) << name;
    }
}
