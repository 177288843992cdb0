#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManagerInternal.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountStore.hpp"

#include <algorithm>

// Sessions: token refresh and logout.

namespace platform::veltrane {

using namespace accountmanager;

namespace {

std::string refreshKey(const VQOAuthCredentials& credentials) {
    if (credentials.organizationId && credentials.userId) return *credentials.organizationId + "/" + *credentials.userId;
    return "identifier:" + credentials.identifier;
}

} // namespace

struct VQUserAccountManager::PendingRefresh {
    std::vector<VQAuthCompletion> completions;
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
    {
        std::lock_guard lock(mutex_);
        auto& pending = refreshes_[key];
        if (pending) {
            pending->completions.push_back(std::move(completion));
            return true;
        }
        pending = std::make_shared<PendingRefresh>();
        pending->completions.push_back(std::move(completion));
    }
    auto self = shared_from_this();
    oauth_->refresh(
        *credentials->domain, *credentials->clientId, *credentials->refreshToken, additionalTokenRefreshParams(),
        [self, key, credentials](std::expected<Json, Error> answer) {
            auto outcome = [&]() -> VQAuthResult {
                if (!answer) return std::unexpected(UserAccountManagerError::refreshFailed(answer.error()));
                auto updated =
                    VQOAuthClient::applyTokenAnswer(*answer, *credentials, self->additionalOAuthParameterKeys());
                if (!updated) return std::unexpected(UserAccountManagerError::refreshFailed(updated.error()));
                auto fresh = std::make_shared<VQOAuthCredentials>(std::move(*updated));
                auto account =
                    self->userAccountForIdentity({fresh->userId.value_or(""), fresh->organizationId.value_or("")});
                if (account) {
                    account->setCredentials(fresh);
                    // Stored only while the manager still keeps the account, so a
                    // refresh that crosses a logout does not bring the file back.
                    std::lock_guard lock(self->mutex_);
                    if (std::find(self->accounts_.begin(), self->accounts_.end(), account) != self->accounts_.end()) {
                        self->saveAccount(*account);
                    }
                } else {
                    // Credentials the manager does not keep (or an account logged
                    // out meanwhile): a new account for them, not stored.
                    account = VQUserAccount::create(fresh);
                    account->setLoginState(VQUserAccountLoginState::loggedIn);
                }
                MainQueue::async([self, account] { self->post(kVQNotificationUserDidRefreshToken, account); });
                return VQAuthSuccess{account, VQOAuthInfo(VQOAuthType::refresh)};
            };
            const VQAuthResult result = outcome();
            if (!result) logger()->e(kClassName, "Token refresh failed: " + localizedDescription(result.error()));
            std::shared_ptr<PendingRefresh> pending;
            {
                std::lock_guard lock(self->mutex_);
                auto it = self->refreshes_.find(key);
                if (it != self->refreshes_.end()) {
                    pending = std::move(it->second);
                    self->refreshes_.erase(it);
                }
            }
            if (!pending) return;
            for (auto& completion : pending->completions) completion(result);
        });
    return true;
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
    {
        std::lock_guard lock(mutex_);
        if (std::find(accounts_.begin(), accounts_.end(), account) == accounts_.end() && currentUser_ != account) {
            return;
        }
    }
    const auto identity = account->accountIdentity();
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
    }
    store_->remove(identity);
    if (wasCurrent) store_->saveCurrentIdentity(std::nullopt);
    account->setLoginState(VQUserAccountLoginState::notLoggedIn);
    VQRestAPI::removeSharedInstanceWithUser(identity);
    VQSDKVeltraneAnalyticsManager::removeSharedInstanceWithUser(identity);
    logger()->i(kClassName, "Logged out " + account->description() + ".");
    post(kVQNotificationUserDidLogout, account);
}

} // namespace platform::veltrane
