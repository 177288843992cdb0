#pragma once

// Shared test support. Every test program links this library's main, which
// installs a manual clock, binds the main queue to the test thread and gives
// each test a fresh temporary sandbox; state left by one test never reaches
// the next.

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Dispatch.hpp"

#include <filesystem>
#include <functional>
#include <memory>

namespace testsupport {

/// The time every test starts at (2023-11-14 22:13:20 UTC).
inline constexpr platform::TimeInterval kStartTime = 1'700'000'000.0;

/// The manual clock of the running test.
std::shared_ptr<platform::ManualClock> clock();

/// The sandbox root of the running test.
std::filesystem::path sandboxRoot();

/// Runs what is due on the main queue.
inline std::size_t pump() { return platform::MainQueue::runUntilIdle(); }

/// Moves the clock forward, firing due timers.
inline void advance(platform::TimeInterval seconds) { platform::MainQueue::advance(seconds); }

/// Pumps the main queue until the condition holds, waiting in real time (for
/// work on other threads) at most `timeoutSeconds`.
inline bool waitUntil(const std::function<bool()>& condition, double timeoutSeconds = 10.0) {
    return platform::MainQueue::runUntil(condition, timeoutSeconds);
}

/// Re-points the sandbox at a new empty folder, as if the app were installed
/// afresh (the previous folder is removed at the end of the test).
std::filesystem::path freshSandbox();

} // namespace testsupport
