#include "TarnixPlatformClient/TarnixNativeService.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Error.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using platform::Json;
using tarnix::EnablementCheckResult;
using tarnix::ServiceAccessError;
using tarnix::TarnixLogLevel;
using tarnix::TarnixNativeService;
using Kind = ServiceAccessError::ErrorKind;

namespace {

/// A plug-in service that counts how often its id and version are read.
class FakeService : public TarnixNativeService {
public:
    std::string pluginId() const override {
        ++idReads;
        order.push_back("id");
        return "BarcodeScanner";
    }
    std::string pluginVersion() const override {
        ++versionReads;
        order.push_back("version");
        return "1.2";
    }
    EnablementCheck enablementCheck() const override { return check_; }
    void setEnablementCheck(EnablementCheck check) override { check_ = std::move(check); }
    std::shared_ptr<tarnix::TarnixLogger> loggerDelegate() const override { return logger_; }
    void setLoggerDelegate(std::shared_ptr<tarnix::TarnixLogger> logger) override { logger_ = std::move(logger); }

    mutable int idReads = 0;
    mutable int versionReads = 0;
    mutable std::vector<std::string> order;

private:
    EnablementCheck check_;
    std::shared_ptr<tarnix::TarnixLogger> logger_;
};

/// Records every call as one line.
class RecordingLogger : public tarnix::TarnixLogger {
public:
    TarnixLogLevel currentLogLevel() const override { return level_; }
    void setCurrentLogLevel(TarnixLogLevel level) override { level_ = level; }
    void log(const std::string& id, const std::string& version, const std::string& task, const std::string& message,
             TarnixLogLevel level) override {
        calls.push_back("log " + id + " " + version + " " + task + " " + message + " " + tarnix::description(level));
    }
    void tarnixTaskStarted(const std::string& id, const std::string& version, const std::string& task) override {
        calls.push_back("started " + id + " " + version + " " + task);
    }
    void tarnixTaskEnded(const std::string& id, const std::string& version, const std::string& task,
                         const std::optional<Json>& results, const tarnix::TarnixPluginFailure* failure) override {
        calls.push_back("ended " + id + " " + version + " " + task + " " + (results ? results->dump() : "none"));
        lastFailure = failure;
    }

    std::vector<std::string> calls;
    const tarnix::TarnixPluginFailure* lastFailure = nullptr;

private:
    TarnixLogLevel level_ = TarnixLogLevel::INFO;
};

class Failure : public tarnix::TarnixPluginFailure {
public:
    std::string failureCode() const override { return "E9"; }
    std::string failureMessage() const override { return "Scan failed"; }
};

TEST(EnablementCheckResult, Factories) {
    struct Case {
        const char* name;
        EnablementCheckResult result;
        bool enabled;
        std::optional<ServiceAccessError> error;
    };
    const Case cases[] = {
        {"success", EnablementCheckResult::success(), true, std::nullopt},
        {"refused", EnablementCheckResult::failure("Switched off"), false,
         ServiceAccessError(Kind::pluginNotEnabled, "Switched off")},
        {"refused with empty message", EnablementCheckResult::failure(""), false,
         ServiceAccessError(Kind::pluginNotEnabled, "")},
        {"platform error",
         EnablementCheckResult::failure(platform::Error("Check", 3, {{"NSLocalizedDescription", "No network"}})),
         false, ServiceAccessError(Kind::unexpected, "No network")},
        {"standard exception", EnablementCheckResult::failure(std::runtime_error("bad state")), false,
         ServiceAccessError(Kind::unexpected, "bad state")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result.enabled(), c.enabled);
        EXPECT_EQ(c.result.error(), c.error);
    }
    ASSERT_TRUE(EnablementCheckResult::failure("").error()->description().has_value())
        << "an empty message stays a description";
}

TEST(ServiceAccessError, EqualityComparesKindAndExactDescription) {
    struct Case {
        const char* name;
        ServiceAccessError a;
        ServiceAccessError b;
        bool equal;
    };
    const Case cases[] = {
        {"same kind, no descriptions", {Kind::unexpected, std::nullopt}, {Kind::unexpected, std::nullopt}, true},
        {"same kind and text", {Kind::pluginNotEnabled, "Off"}, {Kind::pluginNotEnabled, "Off"}, true},
        {"texts differ in case", {Kind::pluginNotEnabled, "Off"}, {Kind::pluginNotEnabled, "off"}, false},
        {"one without text", {Kind::pluginNotEnabled, "Off"}, {Kind::pluginNotEnabled, std::nullopt}, false},
        {"empty text is not none", {Kind::pluginNotEnabled, ""}, {Kind::pluginNotEnabled, std::nullopt}, false},
        {"kinds differ", {Kind::pluginNotEnabled, "Off"}, {Kind::unexpected, "Off"}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a == c.b, c.equal) << c.name;
    }
}

TEST(ServiceAccessError, DescriptionIsTheErrorDescription) {
    const ServiceAccessError withText(Kind::pluginNotEnabled, "Off");
    EXPECT_EQ(withText.errorDescription(), "Off");
    EXPECT_EQ(tarnix::localizedDescription(withText), "Off");
    const ServiceAccessError withoutText(Kind::unexpected, std::nullopt);
    EXPECT_EQ(withoutText.errorDescription(), std::nullopt);
    EXPECT_FALSE(tarnix::localizedDescription(withoutText).empty());
}

class ServiceIsEnabledTest : public ::testing::Test {
protected:
    FakeService service;
};

TEST_F(ServiceIsEnabledTest, WithoutACheckTheServiceIsEnabled) {
    const auto result = service.serviceIsEnabled(Json{{"PluginTaskName", "scan"}});
    EXPECT_TRUE(result.enabled());
    EXPECT_EQ(result.error(), std::nullopt);
}

TEST_F(ServiceIsEnabledTest, TheCheckRunsOnTheDefaultGlobalQueueWithTheContextUnchanged) {
    const Json context = {{std::string(tarnix::EnablementCheckContext::PluginTaskName), "scan"},
                          {std::string(tarnix::EnablementCheckContext::PluginFeatureName), "qr"}};
    std::optional<Json> seenContext;
    bool onGlobalQueue = false;
    std::thread::id checkThread;
    service.setEnablementCheck([&](const std::optional<Json>& ctx, auto completion) {
        seenContext = ctx;
        onGlobalQueue = platform::DispatchQueue::global(platform::QoS::defaultQoS)->isCurrent();
        checkThread = std::this_thread::get_id();
        completion(EnablementCheckResult::success());
    });

    const auto result = service.serviceIsEnabled(context);
    EXPECT_TRUE(result.enabled());
    EXPECT_EQ(result.error(), std::nullopt);
    EXPECT_EQ(seenContext, context);
    EXPECT_TRUE(onGlobalQueue);
    EXPECT_NE(checkThread, std::this_thread::get_id());

    service.serviceIsEnabled(std::nullopt);
    EXPECT_EQ(seenContext, std::nullopt) << "no context is passed as none";
}

TEST_F(ServiceIsEnabledTest, ARefusalIsReturnedAsGiven) {
    service.setEnablementCheck(
        [](const auto&, auto completion) { completion(EnablementCheckResult::failure("Not for guests")); });
    const auto result = service.serviceIsEnabled(std::nullopt);
    EXPECT_FALSE(result.enabled());
    EXPECT_EQ(result.error(), ServiceAccessError(Kind::pluginNotEnabled, "Not for guests"));
}

TEST_F(ServiceIsEnabledTest, WaitsForAnAnswerGivenLaterFromAnotherThread) {
    std::promise<TarnixNativeService::EnablementCompletion> handedOver;
    std::atomic<bool> returned{false};
    service.setEnablementCheck([&](const auto&, auto completion) { handedOver.set_value(std::move(completion)); });

    std::thread answerer([&, completion = handedOver.get_future()]() mutable {
        auto answer = completion.get();
        EXPECT_FALSE(returned.load()) << "the caller returned before the check answered";
        answer(EnablementCheckResult::failure("Later"));
    });
    const auto result = service.serviceIsEnabled(std::nullopt);
    returned = true;
    answerer.join();

    EXPECT_EQ(result.error(), ServiceAccessError(Kind::pluginNotEnabled, "Later"));
}

class ThrownFailure : public tarnix::TarnixPluginFailure {
public:
    std::string failureCode() const override { return "E5"; }
    std::string failureMessage() const override { return "Reader busy"; }
};

TEST_F(ServiceIsEnabledTest, ACheckThatThrowsIsAnUnexpectedFailure) {
    struct Case {
        const char* name;
        std::function<void()> raise;
        std::optional<std::string> description; // none: any non-empty text
    };
    const Case cases[] = {
        {"platform error",
         [] { throw platform::Error("Policy", 7, {{"NSLocalizedDescription", "Policy store unreadable"}}); },
         "Policy store unreadable"},
        {"standard exception", [] { throw std::runtime_error("policy parse error"); }, "policy parse error"},
        {"plug-in failure", [] { throw ThrownFailure(); }, "Reader busy [E5]"},
        {"service access error",
         [] { throw ServiceAccessError(Kind::pluginNotEnabled, "Thrown refusal"); }, "Thrown refusal"},
        {"anything else", [] { throw 42; }, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.setEnablementCheck([&c](const auto&, auto) { c.raise(); });
        const auto result = service.serviceIsEnabled(std::nullopt);
        EXPECT_FALSE(result.enabled());
        ASSERT_TRUE(result.error().has_value());
        EXPECT_EQ(result.error()->kind(), Kind::unexpected);
        ASSERT_TRUE(result.error()->description().has_value());
        if (c.description) {
            EXPECT_EQ(*result.error()->description(), *c.description);
        } else {
            EXPECT_FALSE(result.error()->description()->empty());
        }
    }
}

TEST_F(ServiceIsEnabledTest, OnlyTheFirstAnswerCounts) {
    struct Case {
        const char* name;
        TarnixNativeService::EnablementCheck check;
    };
    const Case cases[] = {
        {"answers twice",
         [](const auto&, auto completion) {
             completion(EnablementCheckResult::failure("first"));
             completion(EnablementCheckResult::success());
         }},
        {"answers, then throws",
         [](const auto&, auto completion) {
             completion(EnablementCheckResult::failure("first"));
             throw std::runtime_error("after the answer");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.setEnablementCheck(c.check);
        // Several calls in a row: an unbalanced wait would let a later call
        // return an earlier call's answer or crash.
        for (int i = 0; i < 3; ++i) {
            const auto result = service.serviceIsEnabled(std::nullopt);
            EXPECT_EQ(result.error(), ServiceAccessError(Kind::pluginNotEnabled, "first"));
        }
    }
}

TEST_F(ServiceIsEnabledTest, AnAnswerAfterTheCallerReturnedIsIgnored) {
    std::mutex mutex;
    TarnixNativeService::EnablementCompletion kept;
    service.setEnablementCheck([&](const auto&, auto completion) {
        {
            std::lock_guard lock(mutex);
            kept = completion;
        }
        completion(EnablementCheckResult::success());
    });
    EXPECT_TRUE(service.serviceIsEnabled(std::nullopt).enabled());

    std::lock_guard lock(mutex);
    std::thread late([answer = kept] { answer(EnablementCheckResult::failure("too late")); });
    late.join();
}

TEST_F(ServiceIsEnabledTest, ConcurrentCallersEachGetTheirOwnAnswer) {
    service.setEnablementCheck([](const std::optional<Json>& context, auto completion) {
        const auto name = context->at("PluginTaskName").template get<std::string>();
        // Answer from another global queue, later, to mix threads.
        platform::DispatchQueue::global(platform::QoS::utility)->async([name, completion] {
            completion(EnablementCheckResult::failure(name));
        });
    });
    constexpr int kThreads = 8;
    constexpr int kCalls = 40;
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCalls; ++i) {
                const auto name = "task-" + std::to_string(t) + "-" + std::to_string(i);
                const auto result = service.serviceIsEnabled(Json{{"PluginTaskName", name}});
                if (result.error() != ServiceAccessError(Kind::pluginNotEnabled, name)) ++mismatches;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(TarnixNativeServiceForwarding, WithoutALoggerNothingIsForwardedNorRead) {
    FakeService service;
    Failure failure;
    service.log("scan", "hello", TarnixLogLevel::INFO);
    service.tarnixTaskStarted("scan");
    service.tarnixTaskEnded("scan", Json{{"barcode_type", "QR"}}, &failure);
    EXPECT_EQ(service.idReads, 0);
    EXPECT_EQ(service.versionReads, 0);
}

TEST(TarnixNativeServiceForwarding, ForwardsWithTheServiceIdAndVersion) {
    FakeService service;
    auto logger = std::make_shared<RecordingLogger>();
    service.setLoggerDelegate(logger);
    Failure failure;

    service.log("scan", "hello", TarnixLogLevel::WARNING);
    service.tarnixTaskStarted("scan");
    service.tarnixTaskEnded("scan", Json{{"barcode_type", "QR"}}, &failure);
    service.tarnixTaskEnded("scan", std::nullopt, nullptr);

    EXPECT_EQ(logger->calls, (std::vector<std::string>{
                                 "log BarcodeScanner 1.2 scan hello WARNING",
                                 "started BarcodeScanner 1.2 scan",
                                 R"(ended BarcodeScanner 1.2 scan {"barcode_type":"QR"})",
                                 "ended BarcodeScanner 1.2 scan none",
                             }));
    EXPECT_EQ(logger->lastFailure, nullptr);
    EXPECT_EQ(service.idReads, 4) << "id read once per call";
    EXPECT_EQ(service.versionReads, 4) << "version read once per call";
    EXPECT_EQ(service.order, (std::vector<std::string>{"id", "version", "id", "version", "id", "version", "id",
                                                       "version"}));
}

TEST(TarnixNativeServiceForwarding, TheFailureReachesTheLoggerUnchanged) {
    FakeService service;
    auto logger = std::make_shared<RecordingLogger>();
    service.setLoggerDelegate(logger);
    Failure failure;
    service.tarnixTaskEnded("scan", std::nullopt, &failure);
    EXPECT_EQ(logger->lastFailure, &failure);
}

} // namespace
