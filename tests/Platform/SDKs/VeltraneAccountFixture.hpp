#pragma once

// A fixture for the SDK's account, sign-in and REST tests: the loopback
// community server started in-process, the platform's URL sessions routed to
// it under its host name with its CA trusted, and the account manager set up
// for a fresh sandbox with the test client.

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/SDKs/Veltrane/KeyGenerator.hpp"
#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQLoginViewController.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "tests/support/TestSupport.hpp"
#include "tools/community-server/CommunityServer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace veltranetest {

inline constexpr const char* kHost = "community.example.test";
inline constexpr const char* kClientId = "vellicor-test-client";
inline constexpr const char* kRedirectUri = "vellicor://auth/success";
inline constexpr const char* kUsername = "alice@example.test";
inline constexpr const char* kPassword = "alice-password";

using platform::veltrane::valueForParameterName;

inline platform::Url url(std::string_view text) {
    auto parsed = platform::Url::parse(text);
    if (!parsed) throw std::invalid_argument("bad test URL");
    return *parsed;
}

/// Collects the results a completion receives, from any thread.
struct AuthResults {
    std::mutex mutex;
    std::vector<platform::veltrane::VQAuthResult> results;
    std::atomic<bool> everOnMainThread{false};

    platform::veltrane::VQAuthCompletion completion() {
        return [this](platform::veltrane::VQAuthResult result) {
            if (platform::MainQueue::isMainThread()) everOnMainThread = true;
            std::lock_guard lock(mutex);
            results.push_back(std::move(result));
        };
    }
    std::size_t count() {
        std::lock_guard lock(mutex);
        return results.size();
    }
    platform::veltrane::VQAuthResult first() {
        std::lock_guard lock(mutex);
        return results.front();
    }
};

class AccountFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // Tokens expire on the test's manual clock.
        server.setClock([] { return platform::now(); });
        server.start();
        const auto target = "127.0.0.1:" + std::to_string(server.port());
        platform::HttpSession::setHostMapping(std::string(kHost) + ":443", target);
        previousCAFile = platform::HttpSession::caFile();
        platform::HttpSession::setCAFile(server.caFile());
        server.setRequestObserver([](const communityserver::RecordedRequest&) { platform::MainQueue::async([] {}); });
        platform::veltrane::VQUserAccountManager::resetForTesting();
        manager = platform::veltrane::VQUserAccountManager::sharedInstance();
        manager->setLoginHost(kHost);
        manager->setOauthClientId(kClientId);
        manager->setOauthCompletionUrl(kRedirectUri);
    }

    void TearDown() override {
        testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
        manager.reset();
        platform::veltrane::VQUserAccountManager::resetForTesting();
        platform::veltrane::VQSDKWindowManager::resetForTesting();
        server.stop();
        platform::HttpSession::removeHostMapping(std::string(kHost) + ":443");
        platform::HttpSession::setCAFile(previousCAFile);
    }

    /// Starts a sign-in and finishes it as the login page would after the user
    /// signed in: a code for the sign-in's PKCE challenge, handed over in the
    /// redirect. Returns the signed-in account.
    std::shared_ptr<platform::veltrane::VQUserAccount> signIn(AuthResults* results = nullptr) {
        AuthResults local;
        auto& collected = results ? *results : local;
        EXPECT_TRUE(manager->login(collected.completion()));
        auto authorize = manager->authorizationURL();
        EXPECT_TRUE(authorize.has_value());
        if (!authorize) return nullptr;
        auto code = server.issueAuthorizationCode(kUsername, kClientId, kRedirectUri,
                                                  valueForParameterName(*authorize, "code_challenge").value_or(""));
        EXPECT_TRUE(code.has_value());
        auto redirect = url(std::string(kRedirectUri) + "?code=" + code.value_or("") +
                            "&state=" + valueForParameterName(*authorize, "state").value_or(""));
        EXPECT_TRUE(manager->handleAuthorizationRedirect(redirect));
        EXPECT_TRUE(testsupport::waitUntil([&] { return collected.count() > 0; }));
        if (collected.count() == 0 || !collected.first()) return nullptr;
        return collected.first()->userAccount;
    }

    /// Every file under the sandbox, with its bytes.
    static std::vector<std::pair<std::filesystem::path, std::string>> sandboxFiles() {
        std::vector<std::pair<std::filesystem::path, std::string>> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(testsupport::sandboxRoot())) {
            if (!entry.is_regular_file()) continue;
            auto data = platform::readFile(entry.path());
            files.emplace_back(entry.path(), data ? std::string(data->begin(), data->end()) : std::string());
        }
        return files;
    }

    /// The forms a secret may take in a file: as is, percent-encoded, and
    /// Base64 (standard and URL alphabets) at each of the three offsets it can
    /// have inside a longer encoded text. For Base64 the form is the run of
    /// characters that depends on the secret's bytes alone.
    static std::vector<std::string> encodedForms(const std::string& secret) {
        std::vector<std::string> forms = {secret,
                                          platform::addingPercentEncoding(secret, platform::UrlCharacterSet::alphanumerics)};
        for (std::size_t shift = 0; shift < 3; ++shift) {
            const std::string padded = std::string(shift, '\0') + secret;
            const auto encoded = platform::base64Encode(platform::dataFromString(padded));
            // Whole groups of three bytes that hold nothing but the secret.
            const std::size_t first = shift == 0 ? 0 : 4;
            const std::size_t end = padded.size() / 3 * 4;
            if (end <= first) continue;
            auto standard = encoded.substr(first, end - first);
            auto urlSafe = standard;
            std::replace(urlSafe.begin(), urlSafe.end(), '+', '-');
            std::replace(urlSafe.begin(), urlSafe.end(), '/', '_');
            forms.push_back(standard);
            if (urlSafe != standard) forms.push_back(urlSafe);
        }
        return forms;
    }

    /// The first form of one of the secrets that the text holds, if any.
    static std::optional<std::string> findSecret(const std::string& text, const std::vector<std::string>& secrets) {
        for (const auto& secret : secrets) {
            for (const auto& form : encodedForms(secret)) {
                if (text.find(form) != std::string::npos) return form;
            }
        }
        return std::nullopt;
    }

    communityserver::CommunityServer server;
    std::shared_ptr<platform::veltrane::VQUserAccountManager> manager;
    std::optional<std::filesystem::path> previousCAFile;
};

} // namespace veltranetest
