#include "VellicorApp/Community/ManagedURLs.hpp"

#include "VellicorApp/Community/CommunityAddress.hpp"
#include "VellicorApp/Community/ManagedURLsMatcher.hpp"
#include "VellicorApp/Shell/AppContext.hpp"

namespace vellicor {

namespace {

std::string loginHost(const Context& context) {
    return context.userAccountManager ? context.userAccountManager->loginHost() : std::string();
}

} // namespace

ManagedURLs::ManagedURLs(const ManagedURLs& other) {
    std::lock_guard lock(other.mutex_);
    communityStartPage_ = other.communityStartPage_;
}

ManagedURLs& ManagedURLs::operator=(const ManagedURLs& other) {
    if (this == &other) return *this;
    std::optional<std::string> startPage;
    {
        std::lock_guard lock(other.mutex_);
        startPage = other.communityStartPage_;
    }
    std::lock_guard lock(mutex_);
    communityStartPage_ = std::move(startPage);
    matcher_.reset();
    ++changes_;
    return *this;
}

ManagedURLs::~ManagedURLs() = default;

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
        std::lock_guard lock(mutex_);
        if (matcher_) return matcher_;
        startPage = communityStartPage_;
        changes = changes_;
    }
    // Compiled outside the guard: forming the start page reads the running
    // context and its files.
    if (!startPage) startPage = communityStartPage(loginHost(*AppContext::current()));
    auto compiled = std::make_shared<const ManagedURLsMatcher>(*this, std::move(*startPage));
    std::lock_guard lock(mutex_);
    if (changes == changes_) matcher_ = compiled;
    return compiled;
}

void ManagedURLs::setCommunityStartPage(std::string startPage) {
    std::lock_guard lock(mutex_);
    const bool compiledUnderIt = matcher_ && matcher_->communityStartPage() == startPage;
    communityStartPage_ = std::move(startPage);
    if (compiledUnderIt) return;
    matcher_.reset();
    ++changes_;
}

void ManagedURLs::listsDidChange() {
    std::lock_guard lock(mutex_);
    matcher_.reset();
    ++changes_;
}

void communityStartPageDidChange(const Context& context) {
    if (const auto rules = context.managedURLs()) rules->setCommunityStartPage(communityStartPage(loginHost(context)));
}

} // namespace vellicor
