#include "VellicorApp/Switching/ServiceProviderAppRowViewModel.hpp"

#include "VellicorApp/Community/MultiSSOInfoStore.hpp"
#include "VellicorApp/Switching/ServiceProviderAppListViewModel.hpp"
#include "tests/Switching/SwitchingTestSupport.hpp"

#include "Platform/Foundation/Data.hpp"
#include "Platform/UI/Image.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace switchingtest;
using platform::veltrane::SPConfig;
using vellicor::KORVAMarkerName;
using vellicor::ServiceProviderAppInfo;
using vellicor::ServiceProviderAppListViewModel;
using vellicor::ServiceProviderAppRowViewModel;
using vellicor::ServiceProviderAuthHandler;
using Status = vellicor::ServiceProviderAuthStatus;

/// A 1 x 1 PNG, as the sample package's icon.
constexpr const char* kPngBase64 =
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg==";

ServiceProviderAppInfo app(std::string name, std::string icon = kPngBase64) {
    return ServiceProviderAppInfo{std::move(name), "companion-client", "companion://auth/success", "companion",
                                  std::move(icon)};
}

/// A sign-in that keeps the callback it was begun with, for the test to call.
class ScriptedHandler : public ServiceProviderAuthHandler {
public:
    static std::shared_ptr<ScriptedHandler> make() {
        struct Made : ScriptedHandler {};
        return std::make_shared<Made>();
    }
    void begin(const SPConfig& config, Update update) override {
        begun.push_back(config);
        this->update = std::move(update);
    }
    std::vector<SPConfig> begun;
    Update update;
};

class ServiceProviderAppRowViewModelTest : public SwitchingTest {
protected:
    std::shared_ptr<ServiceProviderAppListViewModel> list =
        ServiceProviderAppListViewModel::create({app("Companion"), app("Second")});
    std::shared_ptr<ScriptedHandler> handler = ScriptedHandler::make();
    Statuses statuses;
};

TEST_F(ServiceProviderAppRowViewModelTest, TakesItsRecordFromTheListAtItsIndex) {
    auto row = ServiceProviderAppRowViewModel::create(1, list, handler);
    EXPECT_EQ(row->rowInfo(), list->appInfos()[1]);
    EXPECT_EQ(row->name(), "Second");
    EXPECT_EQ(row->authHandler(), handler);
    EXPECT_DEATH(ServiceProviderAppRowViewModel::create(2, list, handler), "Index out of range");
}

TEST_F(ServiceProviderAppRowViewModelTest, TheLoginButtonFormsTheConfigurationMarksTheRequestAndShowsTheOverlay) {
    list = ServiceProviderAppListViewModel::create(vellicor::MultiSSOInfoStore().serviceProviderAppInfo());
    auto row = ServiceProviderAppRowViewModel::create(0, list, handler);
    row->loginButtonPressed(statuses.callback());

    ASSERT_EQ(handler->begun.size(), 1u);
    EXPECT_EQ(handler->begun[0], SPConfig("vellicor-companion-client", "vellicorcompanion://auth/success",
                                          {"api", "web", "refresh_token"}, "VELLICOR01.com.vellicor.sharedsso"));
    const auto logged = markers->logged();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].name, KORVAMarkerName::multiSSOLoginRequestSent);
    EXPECT_EQ(logged[0].attributes,
              (platform::Json{{"appName", "Vellicor Companion"}, {"scheme", "vellicorcompanion"}}));
    // The list's flag and the callback change on a later turn of the main queue.
    EXPECT_FALSE(list->isAuthenticating.get());
    EXPECT_EQ(statuses.count(), 0u);
    testsupport::pump();
    EXPECT_TRUE(list->isAuthenticating.get());
    EXPECT_EQ(statuses.list(), std::vector<Status>{Status::running});
}

TEST_F(ServiceProviderAppRowViewModelTest, EachStatusSetsTheListFlagCallsTheCardAndLogsItsMarker) {
    struct Case {
        Status status;
        bool authenticating;
        std::optional<KORVAMarkerName> marker;
    };
    const Case cases[] = {
        {Status::running, true, std::nullopt},
        {Status::paused, false, std::nullopt},
        {Status::stopped, false, KORVAMarkerName::multiSSOServerErrorRecieved},
        {Status::finished, false, KORVAMarkerName::multiSSOAuthCodeSent},
    };
    auto row = ServiceProviderAppRowViewModel::create(0, list, handler);
    row->loginButtonPressed(statuses.callback());
    testsupport::pump();
    ASSERT_TRUE(handler->update);
    for (const auto& item : cases) {
        SCOPED_TRACE(std::string(vellicor::description(item.status)));
        // From the opposite flag, so that each status is seen to set it.
        list->isAuthenticating = !item.authenticating;
        const auto before = markers->names().size();
        const auto heard = statuses.count();
        handler->update(item.status);
        const auto names = markers->names();
        ASSERT_EQ(names.size(), before + (item.marker ? 1 : 0));
        if (item.marker) {
            EXPECT_EQ(names.back(), *item.marker);
        }
        EXPECT_EQ(list->isAuthenticating.get(), !item.authenticating);
        testsupport::pump();
        EXPECT_EQ(list->isAuthenticating.get(), item.authenticating);
        ASSERT_EQ(statuses.count(), heard + 1);
        EXPECT_EQ(statuses.list().back(), item.status);
    }
    EXPECT_EQ(markers->logged().back().attributes, (platform::Json{{"appName", "Companion"}, {"scheme", "companion"}}));
}

TEST_F(ServiceProviderAppRowViewModelTest, WithoutAnAccessGroupTheCardHearsStoppedAtOnceAndNothingElseHappens) {
    withoutIdentifierPrefix();
    auto row = ServiceProviderAppRowViewModel::create(0, list, handler);
    int changes = 0;
    list->objectWillChange().subscribe([&] { ++changes; });
    row->loginButtonPressed(statuses.callback());
    EXPECT_EQ(statuses.list(), std::vector<Status>{Status::stopped});
    testsupport::pump();
    EXPECT_EQ(statuses.count(), 1u);
    EXPECT_TRUE(handler->begun.empty());
    EXPECT_TRUE(markers->names().empty());
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(list->isAuthenticating.get());
    std::vector<std::string> errors;
    for (const auto& line : apptest::appLogLines()) {
        if (line.level == "ERROR") errors.push_back("[" + line.className + "] " + line.text);
    }
    EXPECT_EQ(errors,
              std::vector<std::string>{
                  "[ServiceProviderAppRowViewModel] ServiceProviderAppRowViewModel: No valid Key Chain Group Name "
                  "specified"});
}

TEST_F(ServiceProviderAppRowViewModelTest, IconsDecodeOnlyFromStrictBase64OfAnImage) {
    struct Case {
        const char* name;
        std::string icon;
        std::optional<std::string> image;
    };
    const std::string png = kPngBase64;
    const Case cases[] = {
        {"a PNG's Base64", png, "data:1x1"},
        {"with a line break inside", png.substr(0, 40) + "\n" + png.substr(40), std::nullopt},
        {"with a line break at the end", png + "\n", std::nullopt},
        {"not Base64", "not an icon!", std::nullopt},
        {"Base64 that is no image", platform::base64Encode(platform::dataFromString("hello, world")), std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        auto one = ServiceProviderAppListViewModel::create({app("Companion", item.icon)});
        auto row = ServiceProviderAppRowViewModel::create(0, one, handler);
        const auto image = row->icon();
        EXPECT_EQ(image ? std::optional(image->description()) : std::nullopt, item.image);
        EXPECT_EQ(row->name(), "Companion");
    }
}

TEST_F(ServiceProviderAppRowViewModelTest, RowsAreEqualByRecordAndList) {
    auto same = ServiceProviderAppListViewModel::create({app("Companion"), app("Second")});
    auto first = ServiceProviderAppRowViewModel::create(0, list, handler);
    EXPECT_EQ(*first, *ServiceProviderAppRowViewModel::create(0, list, ScriptedHandler::make()))
        << "handlers are not compared";
    EXPECT_EQ(*first, *ServiceProviderAppRowViewModel::create(0, same, handler)) << "lists compare by value";
    EXPECT_FALSE(*first == *ServiceProviderAppRowViewModel::create(1, list, handler));
    same->isAuthenticating = true;
    EXPECT_FALSE(*first == *ServiceProviderAppRowViewModel::create(0, same, handler));
    // Two apps of one name are two records only when a field differs.
    auto twins = ServiceProviderAppListViewModel::create({app("Twin"), app("Twin")});
    EXPECT_EQ(*ServiceProviderAppRowViewModel::create(0, twins, handler),
              *ServiceProviderAppRowViewModel::create(1, twins, handler));
}

TEST_F(ServiceProviderAppRowViewModelTest, StatusesStillReachTheListAndCardWhenOnlyTheSignInHoldsTheRow) {
    auto row = ServiceProviderAppRowViewModel::create(0, list, handler);
    std::weak_ptr<ServiceProviderAppRowViewModel> weakRow = row;
    // The card's callback holds the row.
    auto callback = statuses.callback();
    row->loginButtonPressed([row, callback](Status status) { callback(status); });
    row.reset();
    testsupport::pump();
    ASSERT_FALSE(weakRow.expired()) << "the pending sign-in keeps the row";
    handler->update(Status::stopped);
    testsupport::pump();
    EXPECT_EQ(statuses.list(), (std::vector<Status>{Status::running, Status::stopped}));
    EXPECT_FALSE(list->isAuthenticating.get());
    // Once the sign-in lets go of its callback, the row goes.
    handler->update = nullptr;
    EXPECT_TRUE(weakRow.expired());
}

} // namespace
