#pragma once

// The URL-loading engine behind HttpSession, internal to the platform
// library: one libcurl multi handle driven on one network thread for every
// transfer of the process.
//
// Threads: post() may be called from any thread; everything else runs on the
// network thread, which alone touches a task's Transfer and the engine's
// active transfers. Outcomes leave the thread through deliver(), for the
// session's delegate queue.

#include "Platform/Foundation/HttpSession.hpp"

#include <curl/curl.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace platform {

namespace httpengine {

using SteadyClock = std::chrono::steady_clock;

constexpr double kDefaultTimeout = 60.0;
/// Header fields that carry credentials: never sent to an origin other than the request's own.
constexpr std::array<std::string_view, 3> kCredentialHeaders = {"Authorization", "Proxy-Authorization", "Cookie"};

/// Process-wide settings every transfer reads when it starts (set through HttpSession).
struct NetworkSettings {
    std::mutex mutex;
    std::map<std::string, std::string> hostMappings; // "host:port" -> "host:port"
    std::optional<std::filesystem::path> caFile;
};
NetworkSettings& networkSettings();

/// libcurl's global set-up, once per process.
void ensureCurlInitialized();

/// An error of the URL-loading domain for the request, with libcurl's detail when there is one.
Error transferError(long code, const HttpRequest& request, std::string_view detail = {});

} // namespace httpengine

/// What a task needs while its transfer runs. Touched on the network thread only.
struct HttpDataTask::Transfer {
    CURL* easy = nullptr;
    curl_slist* requestHeaders = nullptr;
    curl_slist* connectTo = nullptr;
    std::optional<Url> hopUrl;
    Data body;
    std::vector<HttpHeaders::Field> responseFields; // of the response being received
    httpengine::SteadyClock::time_point lastActivity{};
    double timeout = httpengine::kDefaultTimeout;
    curl_off_t lastDownloaded = 0;
    curl_off_t lastUploaded = 0;
    int redirectsFollowed = 0;
    bool waitingForDelegate = false;
    std::optional<HttpResponse> pendingRedirect; // the 3xx handed to the delegate
    std::array<char, CURL_ERROR_SIZE> errorText{};

    // A download task's body goes to a file of its own instead of `body`.
    std::FILE* file = nullptr;
    std::filesystem::path filePath;
    std::uint64_t maximumBytes = 0;
    std::uint64_t fileBytes = 0;
    std::optional<long> fileFailure; // the URL error that stopped the body

    ~Transfer() {
        releaseHandle(nullptr);
        discardFile();
    }

    /// Opens a new file for a hop's body in the folder; false when it cannot be made.
    bool openFile(const HttpDownloadDestination& destination);
    /// Closes the file and gives up its path (to the task's completion); none
    /// when it cannot be written out.
    std::optional<std::filesystem::path> takeFile();
    /// Closes and removes the file, if any.
    void discardFile();

    void releaseHandle(CURLM* multi) {
        if (easy != nullptr) {
            if (multi != nullptr) {
                curl_multi_remove_handle(multi, easy);
            }
            curl_easy_cleanup(easy);
            easy = nullptr;
        }
        curl_slist_free_all(requestHeaders);
        requestHeaders = nullptr;
        curl_slist_free_all(connectTo);
        connectTo = nullptr;
    }
};

/// One multi handle on one thread for every transfer of the process. Commands
/// from other threads are queued and wake the thread; completions leave it for
/// the sessions' delegate queues.
class HttpEngine {
public:
    static HttpEngine& instance();

    /// Runs the command on the network thread.
    void post(std::function<void()> command);

    /// Hands the task's outcome to its completion on the delegate queue, once.
    /// While a cancel is under way only the cancel itself may complete the task.
    /// Returns whether it did; a download's file is handed over only then.
    static bool deliver(const std::shared_ptr<HttpDataTask>& task, std::optional<Data> data,
                        std::optional<HttpResponse> response, std::optional<Error> error, bool fromCancel = false,
                        std::optional<std::filesystem::path> file = std::nullopt);
    /// Completes the task with the response and the hop's body: the data, or a download's file.
    static void deliverBody(const std::shared_ptr<HttpDataTask>& task, HttpResponse response);

    void start(const std::shared_ptr<HttpDataTask>& task);
    void abort(const std::shared_ptr<HttpDataTask>& task);
    /// The delegate's answer to the redirect the task waits at (none: stop there).
    void redirectAnswered(const std::shared_ptr<HttpDataTask>& task, std::optional<HttpRequest> answer);

    /// The libcurl share handle of a cookie jar, to attach transfers to it.
    static CURLSH* cookieShare(const HttpCookieStorage& storage);

private:
    class RedirectAnswer;

    HttpEngine();
    ~HttpEngine();

    // The loop (HttpEngine.cpp).
    void run();
    long waitMilliseconds() const;
    void failAll(long code);
    void failIdleTransfers();
    /// Removes the transfers the predicate picks and returns their tasks.
    template <typename Predicate>
    std::vector<std::shared_ptr<HttpDataTask>> takeActive(Predicate predicate);

    // One hop of a transfer: one request and its response (HttpTransfer.cpp).
    void startHop(const std::shared_ptr<HttpDataTask>& task);
    void configure(HttpDataTask& task, HttpDataTask::Transfer& transfer, const HttpRequest& request, const Url& url);
    static std::size_t onBody(char* bytes, std::size_t size, std::size_t count, void* user);
    static std::size_t onHeader(char* bytes, std::size_t size, std::size_t count, void* user);
    static int onProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded);
    void hopFinished(CURL* easy, CURLcode result);

    // Redirects (HttpRedirects.cpp).
    static HttpRequest redirectedRequest(const HttpRequest& request, const Url& from, Url target, long status);
    void redirect(const std::shared_ptr<HttpDataTask>& task, HttpResponse response, HttpRequest next);
    void follow(const std::shared_ptr<HttpDataTask>& task, HttpRequest next);

    CURLM* multi_ = nullptr;
    std::uint64_t reachabilityToken_ = 0;
    std::thread thread_;

    std::mutex commandsMutex_; // guards commands_ and stopping_
    std::vector<std::function<void()>> commands_;
    bool stopping_ = false;

    std::unordered_map<CURL*, std::shared_ptr<HttpDataTask>> active_; // network thread only
};

} // namespace platform
