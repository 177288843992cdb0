#include "VellicorApp/Shell/AppUICoordinator.hpp"

#include "VellicorApp/Community/TabBarPersistentStore.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppModeCommunity.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/FloatingActionButtonProviding.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Hybrid/CommunityHybridViewController.hpp"
#include "VellicorApp/Hybrid/CommunityHybridViewModel.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"
#include "VellicorApp/Interface/DeferredPush.hpp"
#include "VellicorApp/Interface/TabBarExperienceCoordinator.hpp"
#include "VellicorApp/Shell/AppUpdateConfigModel.hpp"
#include "VellicorApp/Shell/AppUpdateManager.hpp"
#include "VellicorApp/Shell/ColdStartMarking.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/UI/NavigationController.hpp"

namespace vellicor {

namespace {

// Not kLogType: inside a step that names the base's type.
constexpr const char* kStepLogType = "AppUICoordinator";

} // namespace

std::shared_ptr<AppUICoordinator> AppUICoordinator::create(const NavigationControllerPtr& navigationController,
                                                           ScreenPtr communityViewController, AppMode appMode) {
    auto step = std::shared_ptr<AppUICoordinator>(
        new AppUICoordinator(navigationController, std::move(communityViewController), appMode));
    step->observeAuthenticationView();
    return step;
}

AppUICoordinator::~AppUICoordinator() {
    if (observedCenter_ && authenticationViewObservation_) observedCenter_->removeObserver(*authenticationViewObservation_);
}

void AppUICoordinator::observeAuthenticationView() {
    observedCenter_ = AppContext::current()->notificationCenter;
    if (!observedCenter_) return;
    const auto self = std::static_pointer_cast<AppUICoordinator>(shared_from_this());
    // The observation holds the step weakly: a dropped step hears nothing.
    authenticationViewObservation_ = observedCenter_->addObserver<AppUICoordinator>(
        self, platform::veltrane::kVQNotificationUserWillShowAuthView, nullptr,
        [](AppUICoordinator& step, const platform::Notification&) { step.handleWillShowAuthenticationView(); });
}

void AppUICoordinator::execute() {
    if (communityViewController_) platform::fatalError("Hybrid view controller should not be initialized.");
    const auto configuration = appConfig(appMode_);
    if (!configuration) platform::fatalError("appMode.appConfig must not be nil.");

    const auto context = AppContext::current();
    const auto navigation = navigationController_.lock();
    if (const auto button = context->floatingActionButtonProvider(); button && navigation) {
        button->presentFloatingActionButton(navigation);
    }

    auto viewModel = CommunityHybridViewModel::create(configuration);
    viewModel->setCurrentMarkerID(
        context->korvaMarkerCenter->createMarker(KORVAMarkerName::communityLoad, KORVAMarkerType::performance));

    auto screen = CommunityHybridViewController::create(std::move(viewModel));
    screen->setHybridAppDelegate(std::static_pointer_cast<AppUICoordinator>(shared_from_this()));
    communityViewController_ = screen;
    // Loading the view starts the web app; the screen is pushed once the web
    // app has bootstrapped.
    screen->loadViewIfNeeded();
}

void AppUICoordinator::cancel() {
    BaseFlowCoordinator::cancel();
    // The tab bar's push waits in the sub-step's own work.
    if (activeSubFlowCoordinator_) activeSubFlowCoordinator_->cancel();
}

void AppUICoordinator::handleWillShowAuthenticationView() {
    // Log text read by support tooling; keep verbatim.
    Logger::info("Authentication is required. Moving forward with presenting authentication view.", kStepLogType);
    complete(FlowCoordinatorError::requiresAuthentication());
}

void AppUICoordinator::webAppDidBootstrap(const std::shared_ptr<CommunityViewControllable>& viewController,
                                          const std::optional<platform::Json>& metadataResponse) {
    // A page that reports its bootstrap again while the first report is
    // still being shown (its push waits for a presented screen to go) would
    // push the same screen twice, or build a second tab bar around it.
    if (showingScreen_) {
        Logger::info("The web app bootstrapped again while its screen is being shown; ignoring it.", kStepLogType);
        return;
    }
    showingScreen_ = true;

    // Without page data, the navigation the last session stored.
    auto metadata = metadataResponse;
    if (!metadata) metadata = TabBarPersistentStore().tabBarConfig();

    if (!metadata) {
        pushSingleScreen(viewController);
    } else {
        startForceAppUpdateExperience(*metadata);
        startTabBarExperience(viewController, *metadata);
    }
    // The first community page did not come from the login screen.
    endApplicationColdStartMarker(false);
}

void AppUICoordinator::pushSingleScreen(const std::shared_ptr<CommunityViewControllable>& viewController) {
    std::weak_ptr<BaseFlowCoordinator> weakSelf = weak_from_this();
    const auto screen = viewController ? viewController->viewController().shared_from_this() : nullptr;
    deferredPush(navigationController_.lock(), kPushDelay, screen, false, delayedWork(), [weakSelf] {
        if (const auto self = std::static_pointer_cast<AppUICoordinator>(weakSelf.lock())) self->complete(std::nullopt);
    });
}

void AppUICoordinator::startTabBarExperience(const std::shared_ptr<CommunityViewControllable>& viewController,
                                             const platform::Json& metadata) {
    if (!communityViewController_) {
        platform::fatalError("Hybrid view controller should not be anything other than CommunityViewController.");
    }
    auto tabBar = TabBarExperienceCoordinator::create(navigationController_.lock(), communityViewController_, metadata);
    activeSubFlowCoordinator_ = tabBar;
    std::weak_ptr<BaseFlowCoordinator> weakSelf = weak_from_this();
    // The screen is held weakly too: the fallback pushes it only while the
    // step (which owns it) is still there.
    std::weak_ptr<CommunityViewControllable> weakScreen = viewController;
    tabBar->start([weakSelf, weakScreen](const std::optional<FlowCoordinatorError>& error) {
        const auto self = std::static_pointer_cast<AppUICoordinator>(weakSelf.lock());
        if (!self) return;
        // Dropping the sub-step may release this completion; keep what is needed.
        const auto ended = error;
        self->activeSubFlowCoordinator_ = nullptr;
        if (!ended) {
            self->complete(std::nullopt);
            return;
        }
        // Log text read by support tooling; keep verbatim.
        Logger::error("Native (Tab bar) experience failed with error " + localizedDescription(*ended) +
                          ". Moving forward with singular hybrid web app.",
                      kStepLogType);
        self->pushSingleScreen(weakScreen.lock());
    });
}

void AppUICoordinator::startForceAppUpdateExperience(const platform::Json& metadata) {
    const auto config = AppUpdateConfigModel::parseObject(metadata);
    if (!config) {
        // Log text read by support tooling; keep verbatim.
        Logger::error("Force app update experience failed with error " + localizedDescription(config.error()) +
                          ". Moving forward without enforcing app update.",
                      kStepLogType);
        return;
    }
    AppContext::current()->setAppUpdateManager(AppUpdateManager::instantiateAppUpdateManager(*config));
}

} // namespace vellicor
