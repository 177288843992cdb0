#include "Platform/SDKs/AppCenter/MSACCrashes.hpp"

#include "Platform/Foundation/BeforeAbortHook.hpp"
#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Iso8601DateTime.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/AppCenter/AppCenterStore.hpp"
#include "Platform/SDKs/AppCenter/MSACAppCenter.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>

namespace platform::appcenter {

namespace {

constexpr const char* kTestCrashMessage = "App Center: generating a test crash.";

struct PendingReport {
    MSACErrorReport report;
    std::filesystem::path file;
};

// The service's state in the current sandbox. One guard; the delegate and
// the network are called with it released.
struct State {
    std::mutex mutex;
    std::optional<std::uint64_t> generation; // the sandbox the state was read from
    bool lastSessionCrashed = false;
    bool lastSessionMemoryWarning = false;
    std::vector<PendingReport> pending;
    bool started = false;
    bool processing = false;
    // Where this run's crash record goes once the service is started.
    std::optional<std::filesystem::path> recordFile;
    std::weak_ptr<MSACCrashesDelegate> delegate;
};

State& state() {
    static auto* s = new State;
    return *s;
}

std::filesystem::path sessionFile(const std::filesystem::path& folder) { return folder / "session.json"; }

// Reads the previous run's state once per sandbox and begins this run's.
void loadLocked(State& s) {
    if (s.generation == Sandbox::generation()) return;
    s.generation = Sandbox::generation();
    s.lastSessionCrashed = false;
    s.lastSessionMemoryWarning = false;
    s.pending.clear();
    s.started = false;
    s.processing = false;
    s.recordFile.reset();
    const auto folder = store::folder();
    if (!folder) return;

    if (const auto session = store::readJson(sessionFile(*folder))) {
        s.lastSessionMemoryWarning = session->value("memoryWarning", false);
    }
    store::writeJson(sessionFile(*folder), Json{{"memoryWarning", false}});

    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(*store::crashesFolder(), error)) {
        if (entry.path().extension() != ".json") continue;
        const auto record = store::readJson(entry.path());
        if (!record || !record->is_object()) continue;
        PendingReport pending;
        pending.report.incidentIdentifier = record->value("id", entry.path().stem().string());
        pending.report.reason = record->value("reason", "");
        pending.report.appErrorTime = record->value("appErrorTime", 0.0);
        pending.file = entry.path();
        s.pending.push_back(std::move(pending));
    }
    std::sort(s.pending.begin(), s.pending.end(),
              [](const auto& a, const auto& b) { return a.report.appErrorTime < b.report.appErrorTime; });
    s.lastSessionCrashed = !s.pending.empty();
}

// Leaves the crash record of this run, when the service records crashes.
void writeCrashRecord(std::string_view reason) {
    auto& s = state();
    std::optional<std::filesystem::path> file;
    {
        std::lock_guard lock(s.mutex);
        file = s.recordFile;
    }
    if (!file) return;
    store::writeJson(*file, Json{{"id", file->stem().string()},
                                 {"reason", std::string(reason)},
                                 {"appErrorTime", now()},
                                 {"userId", MSACAppCenter::userId() ? Json(*MSACAppCenter::userId()) : Json()}});
}

void beforeAbort(std::string_view message) { writeCrashRecord(message); }

std::string timestampText(double time) { return iso8601DateTimeString(time); }

// The ingestion document of one report and its attachments.
Json reportDocument(const MSACErrorReport& report, const std::vector<MSACErrorAttachmentLog>& attachments) {
    const auto timestamp = timestampText(report.appErrorTime);
    Json logs = Json::array();
    logs.push_back(Json{{"type", "appleError"},
                        {"id", report.incidentIdentifier},
                        {"timestamp", timestamp},
                        {"userId", MSACAppCenter::userId() ? Json(*MSACAppCenter::userId()) : Json()},
                        {"fatal", true},
                        {"exceptionReason", report.reason}});
    for (const auto& attachment : attachments) {
        logs.push_back(Json{{"type", "errorAttachment"},
                            {"id", Uuid().uuidString()},
                            {"timestamp", timestamp},
                            {"errorId", report.incidentIdentifier},
                            {"fileName", attachment.filename()},
                            {"contentType", attachment.contentType()},
                            {"data", base64Encode(attachment.data())}});
    }
    return Json{{"logs", std::move(logs)}};
}

std::optional<Url> ingestionURL() {
    const auto origin = Bundle::main()->objectForInfoDictionaryKey("AppCenterIngestionOrigin");
    if (!origin || !origin->is_string() || origin->get<std::string>().empty()) return std::nullopt;
    return Url::parse(origin->get<std::string>() + "/logs?Api-Version=1.0.0");
}

// Posts one report from a worker thread; its record goes once the service
// has answered (an answer of any status: the service has seen it), and stays
// for a later start after a transport error.
void post(const Url& url, const std::string& appSecret, Json document, std::filesystem::path record) {
    HttpRequest request(url, 60.0);
    request.httpMethod = "POST";
    request.httpShouldHandleCookies = false;
    request.httpBody = dataFromString(document.dump());
    request.addValue("application/json", "Content-Type");
    request.addValue(MSACAppCenter::installId(), "install-id");
    request.addValue(appSecret, "app-secret");
    // Counted from now, so that a scripted run waits for the post to settle.
    auto activity = std::make_shared<BackgroundActivity::Scope>();
    DispatchQueue::global(QoS::utility)->async([request = std::move(request), record = std::move(record),
                                                activity]() mutable {
        HttpSession::ephemeral()->send(std::move(request), [record, activity](std::optional<Data>,
                                                                              std::optional<HttpResponse> response,
                                                                              std::optional<Error>) {
            if (!response) return;
            std::error_code error;
            std::filesystem::remove(record, error);
        });
    });
}

// On the main queue: asks the delegate about each waiting report and sends
// those it keeps.
void processPending(const std::string& appSecret) {
    auto& s = state();
    std::vector<PendingReport> reports;
    std::shared_ptr<MSACCrashesDelegate> delegate;
    {
        std::lock_guard lock(s.mutex);
        reports = s.pending;
        s.pending.clear();
        delegate = s.delegate.lock();
    }
    const auto url = ingestionURL();
    for (const auto& pending : reports) {
        const auto& report = pending.report;
        auto& crashes = MSACCrashes::shared();
        if (delegate && !delegate->crashesShouldProcess(crashes, report)) {
            std::error_code error;
            std::filesystem::remove(pending.file, error);
            continue;
        }
        if (delegate) delegate->crashesWillSend(crashes, report);
        std::vector<MSACErrorAttachmentLog> attachments;
        if (delegate) {
            if (auto given = delegate->attachments(crashes, report)) attachments = std::move(*given);
        }
        if (!url) continue; // nowhere to send it: the record waits for a later start
        post(*url, appSecret, reportDocument(report, attachments), pending.file);
    }
}

} // namespace

MSACCrashes& MSACCrashes::shared() {
    static auto* crashes = new MSACCrashes;
    return *crashes;
}

void MSACCrashes::generateTestCrash() {
    std::fputs("App Center: generating a test crash.\n", stderr);
    std::fflush(stderr);
    writeCrashRecord(kTestCrashMessage);
    // A crash, not an exit: nothing is unwound and no exit handler runs.
    std::abort();
}

bool MSACCrashes::hasCrashedInLastSession() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    loadLocked(s);
    return s.lastSessionCrashed;
}

bool MSACCrashes::hasReceivedMemoryWarningInLastSession() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    loadLocked(s);
    return s.lastSessionMemoryWarning;
}

void MSACCrashes::setDelegate(std::weak_ptr<MSACCrashesDelegate> delegate) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.delegate = std::move(delegate);
}

void MSACCrashes::receivedMemoryWarning() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    loadLocked(s);
    if (const auto folder = store::folder()) store::writeJson(sessionFile(*folder), Json{{"memoryWarning", true}});
}

void MSACCrashes::start(const std::string& appSecret) {
    auto& s = state();
    bool process = false;
    {
        std::lock_guard lock(s.mutex);
        loadLocked(s);
        if (!s.started) {
            s.started = true;
            if (const auto folder = store::crashesFolder()) {
                s.recordFile = *folder / (Uuid().uuidString() + ".json");
            }
            setBeforeAbortHook(beforeAbort);
        }
        process = !appSecret.empty() && !s.pending.empty() && !s.processing;
        if (process) s.processing = true;
    }
    if (process) MainQueue::async([appSecret] { processPending(appSecret); });
}

void MSACCrashes::resetForTesting() {
    setBeforeAbortHook(nullptr);
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.generation.reset();
    s.delegate.reset();
}

} // namespace platform::appcenter
