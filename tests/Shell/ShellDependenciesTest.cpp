#include "VellicorApp/SampleResources.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

// The shell's base (the context, the configuration it reads, the interfaces it
// holds, errors and logging) is what every other folder of the app builds on,
// so it includes none of them: the context knows their types by forward
// declarations, and Shell/Assembly/ puts the running app together. The
// start-up flows of the shell are built on top and may use the other folders.

namespace fs = std::filesystem;

namespace {

constexpr const char* kBaseFiles[] = {
    "AppConstants.hpp",    "AppContext.hpp",    "AppMode.hpp",
    "AppMode.cpp",         "BundleType.hpp",    "BundleType.cpp",
    "Context.hpp",         "Context.cpp",       "ErrorMessages.hpp",
    "ErrorMessages.cpp",   "KeyValueStore.hpp", "KeyValueStore.cpp",
    "LoginHostProvider.hpp", "Logger.hpp",      "Logger.cpp",
    "MobileSDKConfigurator.hpp", "MobileSDKConfigurator.cpp", "ParseableError.hpp",
    "ParseableError.cpp",  "UserAccountManaging.hpp",
};

TEST(ShellDependencies, TheBaseIncludesNoFolderThatBuildsOnIt) {
    const fs::path shell = vellicor::sampleResourcesDirectory().parent_path() / "Shell";
    const std::regex upward(R"(#\s*include\s*"VellicorApp/(Community|Hybrid|Instrumentation|Push|Interface|Switching)/)");
    for (const char* name : kBaseFiles) {
        std::ifstream in(shell / name);
        ASSERT_TRUE(in) << name;
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            EXPECT_FALSE(std::regex_search(line, upward)) << name << ":" << number << ": " << line;
        }
    }
}

} // namespace
