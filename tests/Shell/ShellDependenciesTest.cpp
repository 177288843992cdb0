#include "VellicorApp/SampleResources.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

// Shell/ is the base every other folder of the app builds on. Only its
// Assembly/ folder, where the running app is put together, may reach into the
// others; anything else that does makes the base depend on what builds on it.

namespace fs = std::filesystem;

namespace {

TEST(ShellDependencies, TheBaseIncludesNoFolderThatBuildsOnIt) {
    const fs::path shell = vellicor::sampleResourcesDirectory().parent_path() / "Shell";
    ASSERT_TRUE(fs::is_directory(shell)) << shell;
    const std::regex upward(R"(#\s*include\s*"VellicorApp/(Community|Hybrid|Instrumentation|Push|Interface|Switching)/)");
    std::size_t files = 0;
    for (auto it = fs::recursive_directory_iterator(shell); it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_directory() && it->path().filename() == "Assembly") {
            it.disable_recursion_pending();
            continue;
        }
        const auto extension = it->path().extension();
        if (!it->is_regular_file() || (extension != ".hpp" && extension != ".cpp")) continue;
        ++files;
        std::ifstream in(it->path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            EXPECT_FALSE(std::regex_search(line, upward))
                << fs::relative(it->path(), shell.parent_path()).string() << ":" << number << ": " << line;
        }
    }
    EXPECT_GT(files, 10u);
}

} // namespace
