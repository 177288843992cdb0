#pragma once
// Shared by the fuzz targets. A target defines LLVMFuzzerTestOneInput and
// calls the real reader with the bytes. It is linked either with afl++'s
// driver (the fuzz build, see scripts/fuzz) or with ReplayMain.cpp, which runs
// every kept input of its corpus once (a plain CTest case).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vellicor {
class Context;
}

namespace fuzzsupport {

/// The input as text.
inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

/// Splits the input at its first line break: the first line and the rest
/// (the whole input and nothing when there is none).
std::pair<std::string_view, std::string_view> firstLine(std::string_view input);

/// The lines of a cookie-file text (the Netscape format a cookie jar writes)
/// that stay valid for a minute more. Two jars compared are made at
/// different real times and each drops what has expired by then.
std::vector<std::string> lastingCookieLines(std::string_view text);

/// Sets up, once per process, what the platform expects of a running program:
/// a manual clock, the main queue bound to this thread, a muted console, and a
/// temporary sandbox and device-key folder removed at exit.
void setUpPlatform();

/// A folder of this process's own outside the sandbox (removed at exit), for
/// files a target writes itself; setUpPlatform first.
const std::filesystem::path& scratchFolder();

/// setUpPlatform, then installs, once per process, an app context over the
/// sample package, as the app has after launch (nobody signed in).
std::shared_ptr<vellicor::Context> setUpApp();

/// Runs what is due on the main queue and drops what the last input left in
/// memory or on disk that would grow with every input (console lines, log
/// files). Call at the end of every input.
void endInput();

/// Fails the input: prints the message and aborts, which the fuzzer records as
/// a crash and the replay as a failed test.
[[noreturn]] void fail(const char* condition, const char* file, int line);

} // namespace fuzzsupport

/// A property the reader must hold for every input.
#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::fuzzsupport::fail(#condition, __FILE__, __LINE__))
