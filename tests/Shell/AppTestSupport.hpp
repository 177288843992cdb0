#pragma once

// Support for the app's tests: the sample app package, a running context
// over it, and the app's log lines.

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/BundleType.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/KeyValueStore.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Core/VeltraneSDKManaging.hpp"
#include "VellicorApp/Hybrid/VQUserAccountManagerAdapter.hpp"
#include "VellicorApp/SampleResources.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/Foundation/PropertyList.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/Veltrane/VQPushNotificationManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace apptest {

/// The sample app package of the source tree.
inline std::filesystem::path sampleResources() { return vellicor::sampleResourcesDirectory(); }
/// The resources the build makes for the package (the country-code table).
inline std::filesystem::path generatedResources() { return vellicor::generatedResourcesDirectory(); }

/// A copy of the sample package, with the generated resources, in the test's
/// sandbox, with its Info.plist changed by `editInfo` (a JSON object of the keys).
inline std::filesystem::path copyPackage(const std::function<void(platform::Json&)>& editInfo = {}) {
    static int count = 0;
    const auto folder = testsupport::sandboxRoot() / ("Vellicor" + std::to_string(++count) + ".app");
    std::filesystem::copy(sampleResources(), folder, std::filesystem::copy_options::recursive);
    std::filesystem::copy(generatedResources(), folder, std::filesystem::copy_options::recursive);
    if (editInfo) {
        auto info = platform::PropertyList::read(folder / "Info.plist").value_or(platform::Json::object());
        editInfo(info);
        EXPECT_TRUE(platform::PropertyList::write(folder / "Info.plist", info));
    }
    return folder;
}

/// Makes the package the main bundle and installs a running context over it
/// (standard defaults, default notification centre and file manager, the
/// SDK's shared managers).
inline std::shared_ptr<vellicor::Context> installContext(const std::filesystem::path& package,
                                                         std::shared_ptr<vellicor::BundleType> bundle = nullptr) {
    platform::Bundle::setMainBundlePath(package);
    if (!bundle) bundle = vellicor::ApplicationBundle::create(platform::Bundle::atPath(package));
    auto context = vellicor::Context::create(vellicor::Context::Dependencies{
        .veltraneSDKManager =
            vellicor::VeltraneSDKManagerAdapter::create(platform::veltrane::VeltraneSDKManager::sharedManager()),
        .userAccountManager = vellicor::VQUserAccountManagerAdapter::create(
            platform::veltrane::VQUserAccountManager::sharedInstance()),
        .vqPushNotificationManager = platform::veltrane::VQPushNotificationManager::sharedInstance(),
        .userDefaults = vellicor::UserDefaultsStore::standard(),
        .mainBundle = std::move(bundle),
        .sessionID = platform::Uuid().uuidString(),
        .notificationCenter = platform::NotificationCenter::defaultCenter(),
        .fileManager = &platform::FileManager::defaultManager(),
    });
    vellicor::AppContext::setStackForTesting({context});
    return context;
}

/// A context over a copy of the sample package with an edited Info.plist.
inline std::shared_ptr<vellicor::Context> installContext(const std::function<void(platform::Json&)>& editInfo = {}) {
    return installContext(copyPackage(editInfo));
}

/// An app configuration over an Info dictionary held in memory; its
/// resources are those of a package folder (the sample package by default).
class FakeBundle : public vellicor::BundleType {
public:
    explicit FakeBundle(platform::Json info, std::filesystem::path package = sampleResources())
        : info(std::move(info)), package_(platform::Bundle::atPath(package)) {}

    /// The Info.plist of the sample package.
    static std::shared_ptr<FakeBundle> sample() {
        return std::make_shared<FakeBundle>(platform::PropertyList::read(sampleResources() / "Info.plist").value());
    }

    std::optional<platform::Json> objectForInfoDictionaryKey(const std::string& key) const override {
        if (!info.contains(key)) return std::nullopt;
        return info.at(key);
    }
    std::optional<std::string> pathForResource(const std::optional<std::string>& name,
                                               const std::optional<std::string>& type) const override {
        const auto path = package_ ? package_->pathForResource(name, type) : std::nullopt;
        return path ? std::optional<std::string>(path->string()) : std::nullopt;
    }
    std::optional<std::string> bundleIdentifier() const override {
        const auto value = objectForInfoDictionaryKey("CFBundleIdentifier");
        return value ? platform::asString(*value) : std::nullopt;
    }
    bool isTestFlightBuild() const override { return false; }
    double webAppBootstrapTimeout() const override { return 60.0; }
    std::optional<platform::Url> resourceURL() const override {
        return package_ ? package_->resourceURL() : std::nullopt;
    }

    platform::Json info;

private:
    std::shared_ptr<platform::Bundle> package_;
};

/// The credentials of a user of the sample community.
inline std::shared_ptr<platform::veltrane::VQOAuthCredentials> sampleCredentials() {
    auto credentials = std::make_shared<platform::veltrane::VQOAuthCredentials>("00Dorg-005user", "client-id");
    credentials->userId = "005user";
    credentials->organizationId = "00Dorg";
    credentials->domain = "community.example.test";
    credentials->protocol = "https";
    credentials->accessToken = "access-token";
    credentials->refreshToken = "refresh-token";
    credentials->communityUrl = platform::Url::parse("https://community.example.test/s/");
    return credentials;
}

/// Makes a user of the sample community the signed-in user of the context.
inline std::shared_ptr<platform::veltrane::VQUserAccount> signIn(const vellicor::Context& context) {
    auto account = platform::veltrane::VQUserAccount::create(sampleCredentials());
    context.userAccountManager->setCurrentUserAccount(account);
    return account;
}

/// One line of the app's log file: "<time> <LEVEL> [<class>] <text>".
struct LogLine {
    std::string level;
    std::string className;
    std::string text;
};

/// The lines the app's logger wrote in this test's sandbox.
inline std::vector<LogLine> appLogLines() {
    std::vector<LogLine> lines;
    const auto text = platform::LogSink::readAll(vellicor::Logger::kComponentName);
    if (!text) return lines;
    std::istringstream stream(*text);
    std::string line;
    while (std::getline(stream, line)) {
        std::istringstream parts(line);
        std::string date, time, level;
        parts >> date >> time >> level;
        std::string rest;
        std::getline(parts, rest);
        if (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
        LogLine entry{level, {}, rest};
        if (rest.starts_with('[')) {
            if (const auto close = rest.find("] "); close != std::string::npos) {
                entry.className = rest.substr(1, close - 1);
                entry.text = rest.substr(close + 2);
            }
        }
        lines.push_back(std::move(entry));
    }
    return lines;
}

/// The texts of the app's log lines at a level ("INFO", "WARNING", "ERROR").
inline std::vector<std::string> appLogTexts(const std::string& level) {
    std::vector<std::string> texts;
    for (const auto& line : appLogLines()) {
        if (line.level == level) texts.push_back(line.text);
    }
    return texts;
}

/// Makes every file operation of one kind fail while it lives (a write, or
/// an atomic write that fails once half of its bytes are written).
class FailingFileOperation {
public:
    explicit FailingFileOperation(platform::FileManager::Operation operation) {
        platform::FileManager::defaultManager().setFailureInjector(
            [operation](platform::FileManager::Operation asked,
                        const std::filesystem::path&) -> std::optional<platform::Error> {
                if (asked != operation) return std::nullopt;
                return platform::Error("NSPOSIXErrorDomain", 28);
            });
    }
    ~FailingFileOperation() { platform::FileManager::defaultManager().setFailureInjector(nullptr); }
    FailingFileOperation(const FailingFileOperation&) = delete;
    FailingFileOperation& operator=(const FailingFileOperation&) = delete;
};

/// Restores the process-wide state the app's code changes.
class AppTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::FileManager::defaultManager().setFailureInjector(nullptr);
        vellicor::AppContext::resetForTesting();
        platform::veltrane::VeltraneSDKManager::resetForTesting();
    }
};

} // namespace apptest
