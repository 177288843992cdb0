// Cold start of the app program on the loopback community: from the launch of
// a new VellicorApp process (a first launch, signed out, in a data folder of
// its own) until the community screen's first page has committed behind the
// loading screen. Each iteration also fetches that page with a bare HTTPS
// client on a new connection, and the counters give the cold start as a ratio
// to that fetch, both from the same run, with the app's peak resident memory
// at that point.
//
// The app reads its events from a pipe: "launch" runs the start-up chain and
// waits for the page load it starts, then "page post ... --off-screen" answers
// once a page has committed in the screen loaded off screen.

#include "tools/community-server/CommunityServer.hpp"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kHost = "community.example.test";
constexpr const char* kProbeLine = "page post coldStartProbe: no handler";

std::filesystem::path programFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path(); }

/// The community the app signs in to, with its guest start page.
communityserver::CommunityServer& server() {
    static auto* community = [] {
        auto* made = new communityserver::CommunityServer();
        made->registerClient("vellicor-community-client", {"vellicor://auth/success"});
        made->setPage("/s/", {"Home", "<p>Welcome to the community.</p>", false});
        made->start();
        return made;
    }();
    return *community;
}

/// The peak resident memory of a running process, in kilobytes (VmHWM).
std::optional<long> peakResidentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return std::nullopt;
}

struct ColdStart {
    double seconds = 0;
    long peakKilobytes = 0;
};

/// Launches the app on a new data folder and waits for its probe line.
std::optional<ColdStart> coldStart(const std::filesystem::path& data, std::string& error) {
    int toApp[2];
    int fromApp[2];
    if (::pipe2(toApp, O_CLOEXEC) != 0 || ::pipe2(fromApp, O_CLOEXEC) != 0) {
        error = "no pipes";
        return std::nullopt;
    }
    const auto folder = programFolder();
    std::vector<std::string> arguments{(folder / "VellicorApp").string(),
                                       "--package",
                                       (folder / "VellicorApp.package").string(),
                                       "--data",
                                       data.string(),
                                       "--quiet",
                                       "--map-host",
                                       std::string(kHost) + ":443=127.0.0.1:" + std::to_string(server().port()),
                                       "--ca-file",
                                       server().caFile().string()};
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toApp[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromApp[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const auto started = Clock::now();
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toApp[0]);
    ::close(fromApp[1]);
    if (spawned != 0) {
        ::close(toApp[1]);
        ::close(fromApp[0]);
        error = "cannot start " + arguments[0];
        return std::nullopt;
    }

    const std::string script = std::string("launch\npage post coldStartProbe {} --off-screen\n");
    bool written = ::write(toApp[1], script.data(), script.size()) == static_cast<ssize_t>(script.size());
    std::string output;
    char buffer[4096];
    while (written && output.find(kProbeLine) == std::string::npos) {
        const auto count = ::read(fromApp[0], buffer, sizeof buffer);
        if (count <= 0) break;
        output.append(buffer, static_cast<std::size_t>(count));
    }
    std::optional<ColdStart> result;
    if (output.find(kProbeLine) != std::string::npos) {
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        result = ColdStart{seconds, peakResidentKilobytes(pid).value_or(0)};
    } else {
        error = "the app ended before its community page committed: " + output;
    }
    const std::string quit = "quit\n";
    (void)!::write(toApp[1], quit.data(), quit.size());
    ::close(toApp[1]);
    while (::read(fromApp[0], buffer, sizeof buffer) > 0) {
    }
    ::close(fromApp[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (result && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        error = "the app failed (status " + std::to_string(status) + ")";
        return std::nullopt;
    }
    return result;
}

/// One fetch of the start page over a new HTTPS connection; none on failure.
std::optional<double> bareFetch() {
    const auto started = Clock::now();
    httplib::SSLClient client("127.0.0.1", server().port());
    client.set_ca_cert_path(server().caFile().c_str());
    client.enable_server_certificate_verification(true);
    auto answer = client.Get("/s/", {{"Host", kHost}});
    if (!answer || answer->status != 200) return std::nullopt;
    return std::chrono::duration<double>(Clock::now() - started).count();
}

void BM_ColdStartToFirstCommunityPage(benchmark::State& state) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellicor-cold-start-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::filesystem::path work = pattern;
    double coldStarts = 0;
    double fetches = 0;
    long peakKilobytes = 0;
    int run = 0;
    for (auto _ : state) {
        const auto fetch = bareFetch();
        if (!fetch) {
            state.SkipWithError("the bare fetch of the start page failed");
            break;
        }
        std::string error;
        const auto start = coldStart(work / std::to_string(run++), error);
        if (!start) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.SetIterationTime(start->seconds);
        coldStarts += start->seconds;
        fetches += *fetch;
        peakKilobytes = std::max(peakKilobytes, start->peakKilobytes);
    }
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
    if (run == 0 || fetches <= 0) return;
    const double iterations = static_cast<double>(state.iterations());
    state.counters["cold_start_ms"] = 1000 * coldStarts / iterations;
    state.counters["bare_fetch_ms"] = 1000 * fetches / iterations;
    state.counters["ratio"] = coldStarts / fetches;
    state.counters["peak_rss_MiB"] = static_cast<double>(peakKilobytes) / 1024;
}
BENCHMARK(BM_ColdStartToFirstCommunityPage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    // An app that ends early must not end the benchmark through its pipe.
    std::signal(SIGPIPE, SIG_IGN);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    server().stop();
    return 0;
}
