#include "VellicorApp/Shell/CustomDomainCoordinator.hpp"

#include "VellicorApp/Community/CommunityConfigFilePersistentStore.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppModeCommunity.hpp"
#include "VellicorApp/Core/KeyValueStore.hpp"
#include "tests/Shell/AppAccountFixture.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include "Platform/Foundation/Reachability.hpp"

#include <httplib.h>

#include <gtest/gtest.h>

#include <algorithm>

using namespace vellicor;

namespace {

class CustomDomainCoordinatorTest : public apptest::AppAccountFixture {
protected:
    /// From now on the page at `path` answers a redirect to *location, or 200
    /// while it is none.
    std::shared_ptr<std::optional<std::string>> redirectPage(const std::string& path) {
        auto location = std::make_shared<std::optional<std::string>>();
        server.addRoute("GET", path, [location](const httplib::Request&, httplib::Response& res, const std::smatch&) {
            if (*location) {
                res.status = 302;
                res.set_header("Location", **location);
            } else {
                res.set_content("start", "text/html");
            }
        });
        return location;
    }

    struct Run {
        int completions = 0;
        std::optional<FlowCoordinatorError> error;
        /// Whether the selected community had been written when the step ended.
        bool storedBeforeCompletion = false;
    };

    /// Starts the step and pumps the main queue until it ends.
    Run run(const std::shared_ptr<CustomDomainCoordinator>& step) {
        auto result = std::make_shared<Run>();
        const auto mode = step->appMode();
        step->start([result, mode](const std::optional<FlowCoordinatorError>& error) {
            ++result->completions;
            result->error = error;
            result->storedBeforeCompletion = CommunityConfigFilePersistentStore(mode).isCommunitySelected();
        });
        EXPECT_TRUE(testsupport::waitUntil([&] { return result->completions > 0; }));
        testsupport::pump();
        return *result;
    }

    /// Whether the step logged a line at the level starting with `text`,
    /// among the log lines from index `from` on.
    static bool logged(const std::string& level, const std::string& text, std::size_t from = 0) {
        const auto lines = apptest::appLogLines();
        return std::any_of(lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())), lines.end(),
                           [&](const apptest::LogLine& line) {
                               return line.level == level && line.className == "CustomDomainCoordinator" &&
                                      line.text.starts_with("CustomDomainCoordinator: " + text);
                           });
    }

    /// Removes the community files and the pending-switch flag.
    void forgetCommunity() {
        std::error_code ignored;
        std::filesystem::remove_all(platform::Sandbox::applicationSupportDirectory(), ignored);
        context->userDefaults->setBool("shouldSwitchCommunity", false);
    }

    std::vector<communityserver::RecordedRequest> probes() const {
        auto requests = server.requests();
        std::erase_if(requests, [](const auto& r) { return r.method != "HEAD"; });
        return requests;
    }

    bool switchPending() const { return context->userDefaults->boolForKey("shouldSwitchCommunity"); }
};

} // namespace

TEST_F(CustomDomainCoordinatorTest, ProbeOutcomes) {
    struct Case {
        const char* name;
        /// Location of the start page's redirect; none: the page answers 200.
        std::optional<std::string> location;
        bool stores;
        const char* infoLine;
        bool warns;
    };
    const std::vector<Case> cases = {
        {"page answers 200", std::nullopt, false, nullptr, false},
        {"redirect inside the community", "https://community.example.test/s/topic/1?ref=x", false,
         "Response URL for custom domain validation is internal. Moving forward "
         "without any change!",
         false},
        {"redirect to a custom domain", "https://forum.other.test/s/?lang=en&x=1", true,
         "Response URL for custom domain is a valid custom domain. Moving "
         "forward with caching new domain URL.",
         false},
        {"custom domain the model refuses (no /s/ for a /s/ community)", "https://forum.other.test/home?lang=en", false,
         "Response URL for custom domain is a valid custom domain. Moving "
         "forward with caching new domain URL.",
         true},
        {"custom domain over plain http", "http://forum.other.test/s/", false,
         "Response URL for custom domain is a valid custom domain. Moving "
         "forward with caching new domain URL.",
         true},
    };
    const auto location = redirectPage("/s/");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        forgetCommunity();
        ASSERT_TRUE(isSlashSCommunity(AppMode::normal));
        *location = c.location;
        server.clearRequests();
        const auto logFrom = apptest::appLogLines().size();

        auto step = CustomDomainCoordinator::create(AppMode::normal);
        const auto result = run(step);

        EXPECT_EQ(result.completions, 1);
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->kind(), FlowCoordinatorError::Case::transport);
        EXPECT_FALSE(result.error->transportError()); // a redirect not followed is no error
        // One HEAD to the start page; the redirect is never followed.
        const auto sent = probes();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].path, "/s/");
        EXPECT_EQ(server.requestCount(), 1u);

        const auto selected = CommunityConfigFilePersistentStore(AppMode::normal).getSelectedCommunity();
        EXPECT_EQ(selected != nullptr, c.stores);
        EXPECT_EQ(switchPending(), c.stores);
        EXPECT_EQ(result.storedBeforeCompletion, c.stores);
        if (c.location) {
            EXPECT_TRUE(logged("INFO", "Response URL: " + *c.location, logFrom));
        }
        if (c.infoLine) {
            EXPECT_TRUE(logged("INFO", c.infoLine, logFrom));
        }
        EXPECT_EQ(logged("WARNING", "Failed to catch custom domain!", logFrom), c.warns);
        EXPECT_FALSE(logged("ERROR", "Custom domain validation failed", logFrom));

        if (c.stores) {
            EXPECT_EQ(selected->unauthenticatedStartPage.get().absoluteString(), "https://forum.other.test/s/");
            EXPECT_EQ(selected->label.get(), "Custom Domain");
            EXPECT_TRUE(selected->isSlashSCommunity.get());
            EXPECT_EQ(loginHost(AppMode::normal), "forum.other.test");
            // The preview edition's files stay as they were.
            EXPECT_FALSE(CommunityConfigFilePersistentStore(AppMode::yarrowin).isCommunitySelected());
        }
    }
}

TEST_F(CustomDomainCoordinatorTest, CommunityOutsideSlashSStoresTheDomainWithoutSlashS) {
    const auto seed =
        CommunityConfigModel::create(platform::Url::parse("community.example.test"),
                                     veltranetest::url("https://community.example.test/site/"), "Seed", false, false);
    ASSERT_NE(seed, nullptr);
    CommunityConfigFilePersistentStore(AppMode::normal).updateConfigFiles(seed);
    ASSERT_FALSE(isSlashSCommunity(AppMode::normal));
    *redirectPage("/") = "https://forum.other.test/home?utm=1#top";

    const auto result = run(CustomDomainCoordinator::create(AppMode::normal));

    ASSERT_TRUE(result.error);
    EXPECT_FALSE(result.error->transportError());
    const auto sent = probes();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].path, "/");
    const auto selected = CommunityConfigFilePersistentStore(AppMode::normal).getSelectedCommunity();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->unauthenticatedStartPage.get().query(), std::nullopt);
    EXPECT_TRUE(selected->unauthenticatedStartPage.get().absoluteString().starts_with("https://forum.other.test/home"));
    EXPECT_FALSE(selected->isSlashSCommunity.get());
    EXPECT_EQ(selected->label.get(), "Custom Domain");
    EXPECT_TRUE(switchPending());
}

TEST_F(CustomDomainCoordinatorTest, OfflineProbeLogsTheErrorAndGoesOn) {
    platform::Reachability::setOffline(true);

    const auto result = run(CustomDomainCoordinator::create(AppMode::normal));

    EXPECT_EQ(result.completions, 1);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->kind(), FlowCoordinatorError::Case::transport);
    ASSERT_TRUE(result.error->transportError());
    const auto description = result.error->transportError()->localizedDescription();
    EXPECT_FALSE(description.empty());
    EXPECT_TRUE(logged("ERROR", "Custom domain validation failed with error: " + description));
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_FALSE(CommunityConfigFilePersistentStore(AppMode::normal).isCommunitySelected());
    EXPECT_FALSE(switchPending());
}

TEST_F(CustomDomainCoordinatorTest, WithoutALoginHostNothingIsSent) {
    ASSERT_EQ(loginHost(AppMode::yarrowin), std::nullopt);
    auto step = CustomDomainCoordinator::create(AppMode::yarrowin);
    std::vector<std::optional<FlowCoordinatorError>> ends;
    step->start([&](const std::optional<FlowCoordinatorError>& error) { ends.push_back(error); });

    // Ends at once, before the main queue runs, without an error.
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_FALSE(ends[0]);
    EXPECT_EQ(step->urlSession(), nullptr);
    testsupport::pump();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(CustomDomainCoordinatorTest, SessionIsInvalidatedAndReleasedWithTheStep) {
    // The built-in start page answers the HEAD probe itself.
    std::weak_ptr<CustomDomainCoordinator> weakStep;
    std::weak_ptr<platform::HttpSession> weakSession;
    {
        auto step = CustomDomainCoordinator::create(AppMode::normal);
        weakStep = step;
        const auto result = run(step);
        ASSERT_TRUE(result.error);
        EXPECT_FALSE(result.error->transportError());
        const auto sent = probes();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].path, "/s/");
        ASSERT_NE(step->urlSession(), nullptr);
        EXPECT_TRUE(step->urlSession()->isInvalidated());
        EXPECT_EQ(step->urlSession()->delegate(), step);
        weakSession = step->urlSession();
    }
    EXPECT_TRUE(weakStep.expired());
    // The network thread lets go of the finished task (and with it the
    // session) just after its completion has run.
    EXPECT_TRUE(testsupport::waitUntil([&] { return weakSession.expired(); }, 5));
}

TEST_F(CustomDomainCoordinatorTest, StepDroppedDuringTheProbeEndsSilently) {
    const auto location = redirectPage("/s/");
    *location = "https://forum.other.test/s/";
    int completions = 0;
    std::weak_ptr<platform::HttpSession> weakSession;
    {
        auto step = CustomDomainCoordinator::create(AppMode::normal);
        step->start([&](const std::optional<FlowCoordinatorError>&) { ++completions; });
        weakSession = step->urlSession();
    }
    EXPECT_TRUE(testsupport::waitUntil([&] { return weakSession.expired(); }, 5));
    testsupport::pump();
    EXPECT_EQ(completions, 0);
    // Without its delegate the session may follow the redirect; the other
    // host does not resolve, and nothing is stored either way.
    EXPECT_FALSE(CommunityConfigFilePersistentStore(AppMode::normal).isCommunitySelected());
    EXPECT_FALSE(switchPending());
}
