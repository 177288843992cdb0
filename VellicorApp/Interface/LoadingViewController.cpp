#include "VellicorApp/Interface/LoadingViewController.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"
#include "VellicorApp/Interface/ColorBrightness.hpp"
#include "VellicorApp/Interface/ViewControllerStyling.hpp"

#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/Window.hpp"

namespace vellicor {

using namespace platform::ui;
using platform::veltrane::VQSDKNetworkStatus;
using platform::veltrane::VQSDKReachability;

namespace {
constexpr const char* kLogType = "LoadingViewController";
} // namespace

void LoadingViewController::Observation::remove() {
    if (center) center->removeObserver(token);
}

LoadingViewController::LoadingViewController(StoryboardKey) : reachability_(VQSDKReachability::reachabilityForInternetConnection()) {
    const auto& markers = AppContext::current()->korvaMarkerCenter;
    const auto id = markers->createMarker(KORVAMarkerName::splashLoad, KORVAMarkerType::performance);
    markers->start(id);
    currentMarkerID_ = id;
}

LoadingViewController::~LoadingViewController() {
    if (keyWindowObservation_) keyWindowObservation_->remove();
    if (reachabilityObservation_) reachabilityObservation_->remove();
}

std::shared_ptr<LoadingViewController> LoadingViewController::makeStoryboardContent() {
    return makeController<LoadingViewController>(StoryboardKey{});
}

void LoadingViewController::loadView() {
    auto root = View::create(Rect{{0, 0}, kScreenSize});
    root->backgroundColor = Color::systemBackground();
    std::weak_ptr<LoadingViewController> weakSelf =
        std::static_pointer_cast<LoadingViewController>(shared_from_this());
    auto loading = LoadingView::makeStoryboardContent([weakSelf] {
        if (auto self = weakSelf.lock()) self->reloadWebApp();
    });
    loading->accessibilityIdentifier = "LoadingView";
    loading->translatesAutoresizingMaskIntoConstraints = false;
    root->addSubview(loading);
    using A = LayoutAttribute;
    LayoutConstraint::activate({
        loading->anchor(A::centerY).constraint(root->anchor(A::centerY)),
        loading->anchor(A::leading).constraint(root->anchor(A::leading)),
        loading->anchor(A::trailing).constraint(root->anchor(A::trailing)),
        loading->anchor(A::height).constraint(200),
    });
    setView(root);
    loadingView_ = loading;
}

void LoadingViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    if (auto target = delegate.lock()) target->executeColdStartFlow();
}

void LoadingViewController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    // The loading view fills the screen; the bar would stand empty over it.
    hideNavigationBarWhenEmpty(*this, animated);
    if (auto loading = loadingView()) {
        loading->reset(false);
        loading->hide(false);
    }
    // Appearing again without having disappeared must not observe twice.
    if (keyWindowObservation_) keyWindowObservation_->remove();
    auto center = AppContext::current()->notificationCenter;
    const auto token = center->addObserver<LoadingViewController>(
        std::static_pointer_cast<LoadingViewController>(shared_from_this()), kWindowDidBecomeKeyNotification, nullptr,
        [](LoadingViewController& self, const platform::Notification& n) { self.keyWindowDidChange(n); });
    keyWindowObservation_ = Observation{std::move(center), token};
}

void LoadingViewController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    startNetworkMonitoring();
    auto loading = loadingView();
    if (!loading) return;
    if (isOffline()) {
        loading->show(true);
        loading->showNoConnection(false);
    } else {
        loading->startDeferredAnimations();
    }
}

void LoadingViewController::viewDidDisappear(bool animated) {
    ViewController::viewDidDisappear(animated);
    if (currentMarkerID_) {
        // The marker is logged once, at the first disappearance; later
        // appearances open no new one.
        const auto& markers = AppContext::current()->korvaMarkerCenter;
        if (auto marker = markers->getMarker(*currentMarkerID_)) marker->setAttributes(markers->loginAndNetworkStatus());
        markers->end(*currentMarkerID_);
        markers->log(*currentMarkerID_);
        currentMarkerID_.reset();
    }
    if (keyWindowObservation_) keyWindowObservation_->remove();
    keyWindowObservation_.reset();
    stopNetworkMonitoring();
    if (auto loading = loadingView()) {
        loading->reset(false);
        loading->hide(false);
    }
}

StatusBarStyle LoadingViewController::preferredStatusBarStyle() const {
    const auto color = AppContext::current()->navBarColor();
    return color ? statusBarStyle(*color) : StatusBarStyle::defaultStyle;
}

void LoadingViewController::reloadWebApp() {
    Logger::info("User attempts to reload CommunityViewControllable", kLogType);
    auto loading = loadingView();
    if (isOffline()) {
        if (loading) loading->showNoConnection(true);
        return;
    }
    if (loading) loading->reset(true);
    if (auto target = delegate.lock()) target->executePostAuthFlow();
    if (loading) loading->startDeferredAnimations();
}

void LoadingViewController::keyWindowDidChange(const platform::Notification& notification) {
    auto loading = loadingView();
    if (!loading) return;
    loading->reset(true);
    const auto ownWindow = viewIfLoaded() ? viewIfLoaded()->window() : nullptr;
    // The app's window took the key status back from one shown above it (the
    // licence agreement's): the messages start again from the beginning.
    if (ownWindow && notification.object == ownWindow.get()) {
        loading->startDeferredAnimations();
    } else {
        loading->hide(false);
    }
}

void LoadingViewController::connectionChanged(const platform::Notification& notification) {
    // Only this screen's reachability object is observed.
    if (!reachability_ || notification.object != reachability_.get()) return;
    if (reachability_->currentReachabilityStatus() != VQSDKNetworkStatus::notReachable) return;
    if (auto loading = loadingView()) loading->showNoConnection(true);
}

void LoadingViewController::startNetworkMonitoring() {
    if (reachability_) reachability_->startNotifier();
    if (reachabilityObservation_) reachabilityObservation_->remove();
    auto center = AppContext::current()->notificationCenter;
    const auto token = center->addObserver<LoadingViewController>(
        std::static_pointer_cast<LoadingViewController>(shared_from_this()),
        platform::veltrane::kVQSDKReachabilityChangedNotification, reachability_.get(),
        [](LoadingViewController& self, const platform::Notification& n) { self.connectionChanged(n); });
    reachabilityObservation_ = Observation{std::move(center), token};
}

void LoadingViewController::stopNetworkMonitoring() {
    if (reachability_) reachability_->stopNotifier();
    if (reachabilityObservation_) reachabilityObservation_->remove();
    reachabilityObservation_.reset();
}

bool LoadingViewController::isOffline() const {
    return reachability_ && reachability_->currentReachabilityStatus() == VQSDKNetworkStatus::notReachable;
}

void registerMainStoryboard() {
    StoryboardDefinition main;
    main.initial = [] { return NavigationController::create(LoadingViewController::makeStoryboardContent()); };
    Storyboard::registerStoryboard(LoadingViewController::kStoryboardName, std::move(main));
}

} // namespace vellicor
