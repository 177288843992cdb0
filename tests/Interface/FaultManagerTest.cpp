#include "VellicorApp/Core/FaultManager.hpp"

#include "VellicorApp/Core/Faults.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Interface/Toast.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include "VellicorApp/Community/NetworkService.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace vellicor;

namespace {

std::shared_ptr<Toast> shownToast(const platform::ui::View& view) {
    for (const auto& sub : view.subviews()) {
        if (auto toast = std::dynamic_pointer_cast<Toast>(sub)) return toast;
    }
    return nullptr;
}

class FaultManagerTest : public interfacetest::InterfaceTest {};

class PreviewFaultManagerTest : public interfacetest::InterfaceTest {
protected:
    std::function<void(platform::Json&)> editInfo() override {
        return [](platform::Json& info) { info["YarrowinAppType"] = "preSale"; };
    }
};

} // namespace

TEST_F(FaultManagerTest, PresentationShowsTheMostImportantFaultAndEmptiesTheQueue) {
    struct Case {
        const char* name;
        std::vector<std::shared_ptr<const Fault>> queue;
        std::size_t shownIndex;
    };
    const auto web = std::make_shared<WebViewFault>("Page failed");
    const auto otherWeb = std::make_shared<WebViewFault>("Second page failed");
    const auto access = std::make_shared<AccessAPIFault>();
    const auto bootstrap = std::make_shared<AppBootstrapFault>();
    const auto secondAccess = std::make_shared<AccessAPIFault>();
    const Case cases[] = {
        {"web, access, bootstrap: access", {web, access, bootstrap}, 1},
        {"bootstrap before web", {web, bootstrap}, 1},
        {"equal priority keeps the order added", {web, otherWeb}, 0},
        {"two access faults: the first", {access, secondAccess, web}, 0},
        {"one fault", {bootstrap}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto manager = FaultManager::create();
        for (const auto& fault : c.queue) manager->addFault(fault);
        const auto shown = manager->presentFault(screen);
        EXPECT_EQ(shown, c.queue[c.shownIndex]);
        EXPECT_TRUE(manager->faults().empty()) << "faults not shown are dropped";
        const auto toast = shownToast(*screen->view());
        ASSERT_TRUE(toast);
        EXPECT_EQ(toast->descriptionLabel()->text, shown->description().value_or(""));
        toast->dismiss();
    }
}

TEST_F(FaultManagerTest, EmptyQueueShowsNothing) {
    auto manager = FaultManager::create();
    EXPECT_EQ(manager->presentFault(screen), nullptr);
    EXPECT_EQ(shownToast(*screen->view()), nullptr);
}

TEST_F(FaultManagerTest, AScreensFaultWaitsForThatScreenAndGoesWithIt) {
    // Two screens besides the one shown: a preloaded tab and a sheet.
    struct Case {
        const char* name;
        bool tabFault;
        bool sheetFault;
        bool appWideFault;
        bool sheetGone;
        /// Who comes on screen: the tab, the sheet, or nobody in particular.
        const char* appears;
        /// The fault shown; and, per fault, whether it is still queued after.
        const char* shown;
        bool tabFaultLeft;
        bool sheetFaultLeft;
    };
    const Case cases[] = {
        {"the tab's fault waits while the sheet appears", true, false, false, false, "sheet", "none", true, false},
        {"the tab's fault shows when the tab appears", true, false, false, false, "tab", "tab", false, false},
        {"the sheet's fault never shows on the tab", false, true, false, false, "tab", "none", false, true},
        {"a gone sheet's fault is dropped", true, true, false, true, "tab", "tab", false, false},
        {"a gone sheet's fault is dropped on any presentation", false, true, false, true, "anyone", "none", false, false},
        {"a fault of no screen shows on any screen", true, false, true, false, "sheet", "app", true, false},
        {"the appearing screen's own fault before one of no screen of equal rank", false, true, true, false, "sheet",
         "sheet", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto tab = platform::ui::makeController<interfacetest::Screen>();
        auto sheet = platform::ui::makeController<interfacetest::Screen>();
        const auto tabFault = std::make_shared<AppBootstrapFault>();
        const auto sheetFault = std::make_shared<AppBootstrapFault>();
        const auto appWideFault = std::make_shared<AppBootstrapFault>();
        auto manager = FaultManager::create();
        if (c.tabFault) manager->addFault(tabFault, tab);
        if (c.sheetFault) manager->addFault(sheetFault, sheet);
        if (c.appWideFault) manager->addFault(appWideFault);
        if (c.sheetGone) sheet.reset();

        const std::string appears = c.appears;
        const auto shown = appears == "tab"      ? manager->presentFault(screen, *tab)
                           : appears == "sheet" ? manager->presentFault(screen, *sheet)
                                                : manager->presentFault(screen);
        const std::string expected = c.shown;
        const std::shared_ptr<const Fault> expectedFault = expected == "tab"     ? tabFault
                                                           : expected == "sheet" ? sheetFault
                                                           : expected == "app"   ? appWideFault
                                                                                 : nullptr;
        EXPECT_EQ(shown, expectedFault);
        const auto toast = shownToast(*screen->view());
        EXPECT_EQ(toast != nullptr, expectedFault != nullptr) << "the toast goes on the controller given";
        if (toast) toast->dismiss();
        const auto left = manager->faults();
        EXPECT_EQ(std::ranges::count(left, tabFault), c.tabFaultLeft ? 1 : 0);
        EXPECT_EQ(std::ranges::count(left, sheetFault), c.sheetFaultLeft ? 1 : 0);
        EXPECT_EQ(std::ranges::count(left, appWideFault), 0) << "a fault of no screen is decided on by any appearance";
    }
}

TEST_F(FaultManagerTest, FaultTextsAndFlagsInTheNormalEdition) {
    EXPECT_EQ(AccessAPIFault().description(), localized("API_ACCESS_DISABLED"));
    EXPECT_EQ(AccessAPIFault().priority(), FaultPriority::high);
    EXPECT_FALSE(AccessAPIFault().action());
    EXPECT_EQ(WebViewFault().description(), localized("WEB_VIEW_DEFAULT_ERROR_MESSAGE"));
    EXPECT_EQ(WebViewFault("").description(), "") << "an empty description is shown as given";
    EXPECT_EQ(WebViewFault().priority(), FaultPriority::low);
    EXPECT_TRUE(WebViewFault().canIgnore());
    const AppBootstrapFault bootstrap;
    EXPECT_EQ(bootstrap.priority(), FaultPriority::medium);
    EXPECT_TRUE(bootstrap.canIgnore());
    ASSERT_TRUE(bootstrap.action());
    EXPECT_EQ(bootstrap.action()->title, localized("REFRESH_BUTTON"));
}

TEST_F(PreviewFaultManagerTest, BootstrapFaultCannotBeIgnoredInThePreviewEdition) {
    const AppBootstrapFault bootstrap;
    EXPECT_FALSE(bootstrap.canIgnore());
    ASSERT_TRUE(bootstrap.action());
    EXPECT_EQ(bootstrap.action()->title, localized("GO_BACK_BUTTON"));

    auto manager = FaultManager::create();
    manager->addFault(std::make_shared<AppBootstrapFault>());
    manager->presentFault(screen);
    const auto toast = shownToast(*screen->view());
    ASSERT_TRUE(toast);
    EXPECT_TRUE(toast->dismissButton()->isHidden) << "no dismiss button";
    EXPECT_FALSE(toast->actionButton()->isHidden);
}

namespace {

// A service that answers 403 on a thread of its own, as a REST client may.
class WorkerThreadForbiddenService : public NetworkServicing {
public:
    void executeRequest(const platform::veltrane::VQRestRequest&, NetworkCompletion<platform::Json> completion) override {
        threads.emplace_back([completion = std::move(completion)] {
            completion(std::unexpected(platform::Error("HTTP", 403)), std::nullopt);
        });
    }
    void executeDataRequest(const platform::veltrane::VQRestRequest&, NetworkCompletion<platform::Data>) override {}
    std::shared_ptr<platform::veltrane::VQRestTask> executeDownloadRequest(
        const platform::veltrane::VQRestRequest&, platform::HttpDownloadDestination,
        NetworkCompletion<std::filesystem::path>) override {
        return nullptr;
    }
    ~WorkerThreadForbiddenService() override {
        for (auto& thread : threads) thread.join();
    }
    std::vector<std::thread> threads;
};

} // namespace

TEST_F(FaultManagerTest, AccessFaultFromAWorkerThreadIsQueuedOnTheMainThread) {
    apptest::signIn(*context);
    auto service = std::make_shared<WorkerThreadForbiddenService>();
    context->setNetworkService(service);
    auto faults = FaultManager::create();
    faults->performAPIAccessCheck();
    faults->performAPIAccessCheck();
    // The main thread keeps using the queue while the answers come in.
    for (int i = 0; i < 50; ++i) faults->addFault(std::make_shared<WebViewFault>());
    ASSERT_TRUE(testsupport::waitUntil([&] { return faults->faults().size() == 52; }));
    EXPECT_EQ(std::ranges::count_if(faults->faults(), [](const auto& f) {
                  return std::dynamic_pointer_cast<const AccessAPIFault>(f) != nullptr;
              }),
              2);
    context->setNetworkService(nullptr);
}
