#include "VellicorApp/Community/ManagedURLs.hpp"

#include "VellicorApp/Community/CommunityAddress.hpp"
#include "VellicorApp/Community/ManagedURLsMatcher.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/UserAccountManaging.hpp"

namespace vellicor {

namespace {

std::string loginHost(const Context& context) {
    return context.userAccountManager ? context.userAccountManager->loginHost() : std::string();
}

} // namespace

ManagedURLs::ManagedURLs() { followLoginHost(); }

ManagedURLs::ManagedURLs(const ManagedURLs& other) {
    {
        std::lock_guard lock(other.compiled_->mutex);
        compiled_->communityStartPage = other.compiled_->communityStartPage;
    }
    followLoginHost();
}

ManagedURLs& ManagedURLs::operator=(const ManagedURLs& other) {
    if (this == &other) return *this;
    std::optional<std::string> startPage;
    {
        std::lock_guard lock(other.compiled_->mutex);
        startPage = other.compiled_->communityStartPage;
    }
    std::lock_guard lock(compiled_->mutex);
    compiled_->communityStartPage = std::move(startPage);
    compiled_->matcher.reset();
    ++compiled_->changes;
    return *this;
}

ManagedURLs::~ManagedURLs() {
    if (const auto center = notificationCenter_.lock()) center->removeObserver(loginHostObserver_);
}

void ManagedURLs::followLoginHost() {
    const auto center = platform::NotificationCenter::defaultCenter();
    notificationCenter_ = center;
    loginHostObserver_ = center->addObserver(
        UserAccountManaging::kLoginHostDidChangeNotification, nullptr,
        [weak = std::weak_ptr<Compiled>(compiled_)](const platform::Notification& notification) {
            const auto found = notification.userInfo.find(UserAccountManaging::kLoginHostKey);
            const auto host = found != notification.userInfo.end() ? platform::asString(*found) : std::nullopt;
            if (!host) return;
            if (const auto compiled = weak.lock()) compiled->setCommunityStartPage(communityStartPage(*host));
        });
}

const std::vector<std::string>& ManagedURLs::list(ManagedURLType type) const {
    static const std::vector<std::string> empty;
    switch (type) {
    case ManagedURLType::internalWebApp: return withinApp();
    case ManagedURLType::internalCookieBrowser: return inAppSharedCookieBrowser();
    case ManagedURLType::internalBrowser: return inAppBrowser();
    case ManagedURLType::externalBrowser: return externalBrowser();
    case ManagedURLType::unknown: break;
    }
    return empty;
}

std::shared_ptr<const ManagedURLsMatcher> ManagedURLs::matcher() const {
    std::optional<std::string> startPage;
    std::uint64_t changes = 0;
    {
        std::lock_guard lock(compiled_->mutex);
        if (compiled_->matcher) return compiled_->matcher;
        startPage = compiled_->communityStartPage;
        changes = compiled_->changes;
    }
    // Compiled outside the guard: forming the start page reads the running
    // context and its files.
    if (!startPage) startPage = communityStartPage(loginHost(*AppContext::current()));
    auto matcher = std::make_shared<const ManagedURLsMatcher>(*this, std::move(*startPage));
    std::lock_guard lock(compiled_->mutex);
    if (changes == compiled_->changes) compiled_->matcher = matcher;
    return matcher;
}

void ManagedURLs::setCommunityStartPage(std::string startPage) { compiled_->setCommunityStartPage(std::move(startPage)); }

void ManagedURLs::Compiled::setCommunityStartPage(std::string startPage) {
    std::lock_guard lock(mutex);
    const bool compiledUnderIt = matcher && matcher->communityStartPage() == startPage;
    communityStartPage = std::move(startPage);
    if (compiledUnderIt) return;
    matcher.reset();
    ++changes;
}

void ManagedURLs::listsDidChange() {
    std::lock_guard lock(compiled_->mutex);
    compiled_->matcher.reset();
    ++compiled_->changes;
}

void communityStartPageDidChange(const Context& context) {
    if (const auto rules = context.managedURLs()) rules->setCommunityStartPage(communityStartPage(loginHost(context)));
}

} // namespace vellicor
