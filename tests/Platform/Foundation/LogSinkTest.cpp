#include "Platform/Foundation/LogSink.hpp"

#include "Platform/Foundation/FileManager.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

using platform::LogLevel;
using platform::LogSink;

namespace {
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}
} // namespace

TEST(LogSinkTest, EachComponentHasItsOwnFileWithStampedLines) {
    EXPECT_FALSE(LogSink::readAll("VellicorApp")) << "no file before the first line";
    LogSink::write("VellicorApp", LogLevel::info, "AppCoordinator: Started.");
    LogSink::write("VellicorApp", LogLevel::error, "ConfigFileCache: failed");
    LogSink::write("Analytics", LogLevel::warning, "other component");

    auto app = lines(LogSink::readAll("VellicorApp").value());
    ASSERT_EQ(app.size(), 2u);
    EXPECT_EQ(app[0], "2023-11-14 22:13:20.000 INFO AppCoordinator: Started.");
    EXPECT_EQ(app[1], "2023-11-14 22:13:20.000 ERROR ConfigFileCache: failed");
    EXPECT_EQ(lines(LogSink::readAll("Analytics").value()).size(), 1u);
    EXPECT_EQ(LogSink::fileFor("VellicorApp").parent_path(), testsupport::sandboxRoot() / "Library/Caches/Logs");
}

TEST(LogSinkTest, ComponentNamesCannotEscapeTheLogFolder) {
    LogSink::write("../../evil", LogLevel::info, "x");
    EXPECT_EQ(LogSink::fileFor("../../evil").parent_path(), testsupport::sandboxRoot() / "Library/Caches/Logs");
    EXPECT_TRUE(LogSink::readAll("../../evil"));
}

TEST(LogSinkTest, NewSandboxStartsWithEmptyLogs) {
    LogSink::write("C", LogLevel::info, "first sandbox");
    testsupport::freshSandbox();
    EXPECT_FALSE(LogSink::readAll("C"));
    LogSink::write("C", LogLevel::info, "second sandbox");
    EXPECT_EQ(lines(*LogSink::readAll("C")).size(), 1u);
}

TEST(LogSinkTest, ConcurrentWritersProduceWholeLines) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                LogSink::write("Busy", LogLevel::info, "thread " + std::to_string(t) + " line " + std::to_string(i));
            }
        });
    }
    for (auto& t : threads) t.join();
    auto all = lines(*LogSink::readAll("Busy"));
    ASSERT_EQ(all.size(), 1600u);
    for (const auto& line : all) EXPECT_NE(line.find(" INFO thread "), std::string::npos) << line;
}

TEST(LogSinkTest, AThreadThatLoggedBeforeWritesToTheFilesOfANewSandbox) {
    // A long-lived worker logs before and after the sandbox is replaced, and
    // after the logs are closed: each line lands in the file of its time.
    std::thread([] { LogSink::write("Worker", LogLevel::info, "first sandbox"); }).join();
    std::thread worker;
    std::mutex mutex;
    std::condition_variable changed;
    int step = 0;
    auto waitFor = [&](int wanted) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return step >= wanted; });
    };
    auto advance = [&](int to) {
        {
            std::lock_guard lock(mutex);
            step = to;
        }
        changed.notify_all();
    };
    worker = std::thread([&] {
        LogSink::write("Worker", LogLevel::info, "before");
        advance(1);
        waitFor(2);
        LogSink::write("Worker", LogLevel::info, "after the new sandbox");
        LogSink::write("Worker", LogLevel::info, "again");
        advance(3);
        waitFor(4);
        LogSink::write("Worker", LogLevel::info, "after closing");
        advance(5);
        // Still alive while its lines are read: nothing it holds is flushed
        // by its end.
        waitFor(6);
    });
    waitFor(1);
    // The sandbox changes under the worker, without the logs being closed first.
    const auto nextSandbox = testsupport::sandboxRoot() / "next";
    std::filesystem::create_directories(nextSandbox);
    platform::Sandbox::setRoot(nextSandbox);
    advance(2);
    waitFor(3);
    EXPECT_EQ(lines(LogSink::readAll("Worker").value_or("")).size(), 2u);
    LogSink::closeAll();
    advance(4);
    waitFor(5);
    const auto all = lines(LogSink::readAll("Worker").value_or(""));
    advance(6);
    worker.join();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_TRUE(all[0].ends_with("INFO after the new sandbox")) << all[0];
    EXPECT_TRUE(all[1].ends_with("INFO again")) << all[1];
    EXPECT_TRUE(all[2].ends_with("INFO after closing")) << all[2];
}
