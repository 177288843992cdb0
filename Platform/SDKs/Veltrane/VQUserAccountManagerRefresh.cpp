#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManagerInternal.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountStore.hpp"

#include <algorithm>
#include <iterator>

// Sessions: token refresh and logout.

namespace platform::veltrane {

using namespace accountmanager;

namespace {

std::string refreshKey(const VQOAuthCredentials& credentials) {
    if (credentials.organizationId && credentials.userId) return *credentials.organizationId + "/" + *credentials.userId;
    return "identifier:" + credentials.identifier;
}

/// Error of a refresh ended by a logout of its account.
Error loggedOutError() {
    return makeOAuthError(VQOAuthErrorCode::unavailable, "The account was logged out during the token refresh.");
}

/// Answers refreshes a logout ended, on a worker thread as refreshes answer.
void answerLoggedOut(std::vector<VQAuthCompletion> completions) {
    if (completions.empty()) return;
    DispatchQueue::global()->async([completions = std::move(completions)] {
        for (const auto& completion : completions) {
            completion(std::unexpected(UserAccountManagerError::refreshFailed(loggedOutError())));
        }
    });
}

} // namespace

struct VQUserAccountManager::PendingRefresh {
    VQUserAccountIdentity identity;
    std::vector<VQAuthCompletion> completions;
    /// Set by a logout of the account (under mutex_): the logout has answered
    /// the callers, and the server's answer is dropped.
    bool cancelled = false;
};

bool VQUserAccountManager::refresh(std::shared_ptr<VQOAuthCredentials> credentials, VQAuthCompletion completion) {
    if (!completion) completion = [](VQAuthResult) {};
    if (!credentials || !credentials->refreshToken || credentials->refreshToken->empty() || !credentials->clientId ||
        !credentials->domain) {
        auto error = makeOAuthError(VQOAuthErrorCode::unavailable, "The credentials cannot be refreshed.");
        DispatchQueue::global()->async([completion = std::move(completion), error] {
            completion(std::unexpected(UserAccountManagerError::refreshFailed(error)));
        });
        return false;
    }
    const auto key = refreshKey(*credentials);
    std::shared_ptr<PendingRefresh> pending;
    {
        std::lock_guard lock(mutex_);
        auto& slot = refreshes_[key];
        if (slot) {
            slot->completions.push_back(std::move(completion));
            return true;
        }
        slot = std::make_shared<PendingRefresh>();
        slot->identity = {credentials->userId.value_or(""), credentials->organizationId.value_or("")};
        slot->completions.push_back(std::move(completion));
        pending = slot;
    }
    auto self = shared_from_this();
    oauth_->refresh(
        *credentials->domain, *credentials->clientId, *credentials->refreshToken, additionalTokenRefreshParams(),
        [self, key, pending, credentials](std::expected<Json, Error> answer) {
            const VQAuthResult result = self->applyRefreshAnswer(*pending, *credentials, answer);
            if (!result) logger()->e(kClassName, "Token refresh failed: " + localizedDescription(result.error()));
            std::vector<VQAuthCompletion> completions;
            {
                std::lock_guard lock(self->mutex_);
                auto it = self->refreshes_.find(key);
                if (it != self->refreshes_.end() && it->second == pending) self->refreshes_.erase(it);
                // A cancelled refresh was answered by the logout that ended it.
                if (!pending->cancelled) completions = std::move(pending->completions);
            }
            for (auto& completion : completions) completion(result);
        });
    return true;
}

VQAuthResult VQUserAccountManager::applyRefreshAnswer(const PendingRefresh& pending,
                                                      const VQOAuthCredentials& credentials,
                                                      const std::expected<Json, Error>& answer) {
    if (!answer) return std::unexpected(UserAccountManagerError::refreshFailed(answer.error()));
    auto updated = VQOAuthClient::applyTokenAnswer(*answer, credentials, additionalOAuthParameterKeys());
    if (!updated) return std::unexpected(UserAccountManagerError::refreshFailed(updated.error()));
    auto fresh = std::make_shared<VQOAuthCredentials>(std::move(*updated));
    const VQUserAccountIdentity identity{fresh->userId.value_or(""), fresh->organizationId.value_or("")};
    std::shared_ptr<VQUserAccount> account;
    {
        // Checked and stored under the guard: a logout either ended this
        // refresh already, or removes the account (and its file) after it.
        std::lock_guard lock(mutex_);
        if (pending.cancelled || loggingOut_.contains(identity)) {
            return std::unexpected(UserAccountManagerError::refreshFailed(loggedOutError()));
        }
        for (const auto& known : accounts_) {
            if (known->accountIdentity() == identity) account = known;
        }
        if (account) {
            account->setCredentials(fresh);
            saveAccount(*account);
        }
    }
    const bool kept = account != nullptr;
    if (!kept) {
        // Credentials the manager does not keep: a new account for them, not stored.
        account = VQUserAccount::create(fresh);
        account->setLoginState(VQUserAccountLoginState::loggedIn);
    }
    MainQueue::async([self = shared_from_this(), account, kept] {
        // Logged out between the answer and this turn: nothing to announce.
        if (kept && !self->userAccountForIdentity(account->accountIdentity())) return;
        self->post(kVQNotificationUserDidRefreshToken, account);
    });
    return VQAuthSuccess{account, VQOAuthInfo(VQOAuthType::refresh)};
}

std::vector<VQAuthCompletion> VQUserAccountManager::cancelRefreshesLocked(const VQUserAccountIdentity& identity) {
    std::vector<VQAuthCompletion> completions;
    for (auto it = refreshes_.begin(); it != refreshes_.end();) {
        if (it->second->identity != identity) {
            ++it;
            continue;
        }
        it->second->cancelled = true;
        std::move(it->second->completions.begin(), it->second->completions.end(), std::back_inserter(completions));
        it->second->completions.clear();
        it = refreshes_.erase(it);
    }
    return completions;
}

void VQUserAccountManager::logout() {
    auto user = currentUser();
    if (!user) {
        logger()->w(kClassName, "Logout asked for with nobody signed in.");
        return;
    }
    logoutUser(user);
}

void VQUserAccountManager::logoutUser(const std::shared_ptr<VQUserAccount>& account) {
    if (!account) return;
    const auto identity = account->accountIdentity();
    std::vector<VQAuthCompletion> ended;
    {
        std::lock_guard lock(mutex_);
        const bool kept =
            std::find(accounts_.begin(), accounts_.end(), account) != accounts_.end() || currentUser_ == account;
        // One logout per account: a second caller has nothing left to do.
        if (!kept || !loggingOut_.insert(identity).second) return;
        ended = cancelRefreshesLocked(identity);
    }
    answerLoggedOut(std::move(ended));
    account->setLoginState(VQUserAccountLoginState::loggingOut);
    post(kVQNotificationUserWillLogout, account);

    if (auto credentials = account->credentials(); credentials && credentials->refreshToken && credentials->domain) {
        oauth_->revoke(*credentials->domain, *credentials->refreshToken);
    }
    bool wasCurrent = false;
    {
        std::lock_guard lock(mutex_);
        std::erase(accounts_, account);
        if (currentUser_ == account) {
            currentUser_.reset();
            wasCurrent = true;
        }
        // Refreshes started while the logout ran end with it too.
        ended = cancelRefreshesLocked(identity);
        loggingOut_.erase(identity);
    }
    answerLoggedOut(std::move(ended));
    store_->remove(identity);
    if (wasCurrent) store_->saveCurrentIdentity(std::nullopt);
    account->setLoginState(VQUserAccountLoginState::notLoggedIn);
    VQRestAPI::removeSharedInstanceWithUser(identity);
    VQSDKVeltraneAnalyticsManager::removeSharedInstanceWithUser(identity);
    logger()->i(kClassName, "Logged out " + account->description() + ".");
    post(kVQNotificationUserDidLogout, account);
}

} // namespace platform::veltrane
