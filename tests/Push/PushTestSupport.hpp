#pragma once

// Support for the tests of marketing push: a recording stand-in for the
// marketing SDK's push module, a REST service that answers as told, and a
// running context over them, the sample package and a recording marker centre.

#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Push/ZentariSDKManaging.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/System/PermissionPresets.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"
#include "tests/Shell/RecordingMarkerCenter.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pushtest {

/// Records every call the app makes of the SDK, in order, from any thread; a
/// set-up's completion waits until the test finishes it.
class FakeZentariSDK : public vellicor::ZentariSDKManaging {
public:
    std::optional<platform::Error> initialize(const vellicor::ZentariPushProvisioningInfo& entry,
                                              Completion completion) override {
        record("initialize " + entry.appID);
        if (failure) return failure;
        std::lock_guard lock(mutex);
        completions.push_back(std::move(completion));
        return std::nullopt;
    }
    void enablePush() override { record("enablePush"); }
    void disablePush() override { record("disablePush"); }
    void setProfileId(const std::string& id) override { record("setProfileId " + id); }
    void refresh() override { record("refresh"); }
    platform::zentari::ModuleStatus getStatus() const override { return status; }
    void tearDown() override { record("tearDown"); }
    void startWatchingLocation() override { record("startWatchingLocation"); }
    void setURLHandlingDelegate(const std::shared_ptr<platform::zentari::VQZTSdkURLHandlingDelegate>& d) override {
        record(d ? "setURLHandlingDelegate" : "setURLHandlingDelegate none");
    }
    void setEventDelegate(const std::shared_ptr<platform::zentari::VQZTSdkInAppMessageEventDelegate>& d) override {
        record(d ? "setEventDelegate" : "setEventDelegate none");
    }
    void setDebugLoggingEnabled(bool enabled) override {
        record(std::string("setDebugLoggingEnabled ") + (enabled ? "true" : "false"));
    }
    void setNotificationRequest(const platform::system::UNNotificationRequest& request) override {
        record("setNotificationRequest " + request.identifier);
    }

    /// Finishes the oldest set-up still open, as the SDK would on the main queue.
    void finishSetUp() {
        Completion completion;
        {
            std::lock_guard lock(mutex);
            ASSERT_FALSE(completions.empty());
            completion = std::move(completions.front());
            completions.erase(completions.begin());
        }
        completion(std::nullopt);
    }
    std::vector<std::string> takeCalls() {
        std::lock_guard lock(mutex);
        return std::exchange(calls, {});
    }

    std::optional<platform::Error> failure;
    platform::zentari::ModuleStatus status = platform::zentari::ModuleStatus::operational;

private:
    void record(std::string call) {
        std::lock_guard lock(mutex);
        calls.push_back(std::move(call));
    }
    std::mutex mutex;
    std::vector<std::string> calls;
    std::vector<Completion> completions;
};

/// A REST service that records the requests and answers each with the
/// answer set, on a worker thread, as the REST client does.
class AnsweringRestService : public vellicor::NetworkServicing {
public:
    void executeRequest(const platform::veltrane::VQRestRequest& request,
                        vellicor::NetworkCompletion<platform::Json> completion) override {
        std::expected<platform::Json, platform::Error> result;
        {
            std::lock_guard lock(mutex);
            requests.push_back(request);
            result = answer;
            if (hold) {
                held.push_back([completion, result] { completion(result, std::nullopt); });
                return;
            }
        }
        platform::BackgroundActivity::begin();
        platform::DispatchQueue::global()->async([completion = std::move(completion), result] {
            completion(result, std::nullopt);
            platform::BackgroundActivity::end();
        });
    }
    void executeDataRequest(const platform::veltrane::VQRestRequest&,
                            vellicor::NetworkCompletion<platform::Data> completion) override {
        completion(std::unexpected(platform::Error("test", 1)), std::nullopt);
    }
    std::shared_ptr<platform::veltrane::VQRestTask> executeDownloadRequest(
        const platform::veltrane::VQRestRequest&, platform::HttpDownloadDestination,
        vellicor::NetworkCompletion<std::filesystem::path> completion) override {
        completion(std::unexpected(platform::Error("test", 1)), std::nullopt);
        return nullptr;
    }
    /// Answers the requests held back, on the calling thread.
    void release() {
        std::vector<std::function<void()>> answers;
        {
            std::lock_guard lock(mutex);
            answers = std::exchange(held, {});
        }
        for (auto& answerNow : answers) answerNow();
    }
    std::vector<platform::veltrane::VQRestRequest> takeRequests() {
        std::lock_guard lock(mutex);
        return std::exchange(requests, {});
    }

    std::mutex mutex;
    std::expected<platform::Json, platform::Error> answer = platform::Json::object();
    std::vector<platform::veltrane::VQRestRequest> requests;
    /// Keeps the answers back until release().
    bool hold = false;
    std::vector<std::function<void()>> held;
};

/// Whether a line of the app's log at the level holds the text.
inline bool logged(const std::string& level, const std::string& text) {
    const auto texts = apptest::appLogTexts(level);
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(text) != std::string::npos; });
}

/// A provisioning entry as the file holds it.
inline platform::Json entryJson(const std::string& appID, bool delayRegistration,
                                const std::string& serverURL = "https://marketing.example.test/") {
    return {{"appid", appID},
            {"accesstoken", appID + "-token"},
            {"applicationcontrolsbadging", true},
            {"zentari_server_url", serverURL},
            {"mid", "100"},
            {"location", false},
            {"inbox", true},
            {"delayregistrationuntilcontactkeyisset", delayRegistration}};
}

/// A context over a fake account manager, the sample package (unless given),
/// a recording marker centre and a REST service that answers as told.
class PushTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        HybridTest::SetUp();
        vellicor::Logger::configureLogLevel();
        install(apptest::FakeBundle::sample());
    }
    void TearDown() override {
        testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
        testsupport::pump();
        platform::system::PermissionPresets::setAnswer(platform::system::PermissionKind::notifications, std::nullopt);
        if (context) context->setPushNotificationManager(nullptr);
        HybridTest::TearDown();
    }

    void install(std::shared_ptr<vellicor::BundleType> bundle) {
        auto dependencies = HybridTest::dependencies(std::move(bundle));
        dependencies.korvaMarkerCenter = markers;
        dependencies.networkService = rest;
        context = vellicor::Context::create(std::move(dependencies));
        vellicor::AppContext::setStackForTesting({context});
    }

    /// Writes a provisioning file into the sandbox and gives its path.
    static std::string writeProvisioning(const platform::Json& json, const std::string& name = "provisioning.json") {
        const auto path = testsupport::sandboxRoot() / name;
        EXPECT_TRUE(platform::writeFileAtomically(path, platform::dataFromString(json.dump())).has_value());
        return path.string();
    }

    /// The names of the interactions logged since the last call.
    std::vector<vellicor::KORVAMarkerName> takeInteractionNames() {
        std::lock_guard lock(markers->mutex);
        std::vector<vellicor::KORVAMarkerName> names;
        for (const auto& interaction : markers->interactions) names.push_back(interaction.name);
        markers->interactions.clear();
        return names;
    }

    std::shared_ptr<apptest::RecordingMarkerCenter> markers = std::make_shared<apptest::RecordingMarkerCenter>();
    std::shared_ptr<AnsweringRestService> rest = std::make_shared<AnsweringRestService>();
    std::shared_ptr<FakeZentariSDK> sdk = std::make_shared<FakeZentariSDK>();
};

} // namespace pushtest
