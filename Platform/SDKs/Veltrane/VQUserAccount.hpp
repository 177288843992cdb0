#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthCredentials.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountIdentity.hpp"

#include <memory>
#include <mutex>
#include <string>

namespace platform::veltrane {

enum class VQUserAccountLoginState { notLoggedIn, loggedIn, loggingOut };

/// One user the SDK has signed in: their OAuth credentials and identity data.
/// The account manager owns accounts and keeps them in its encrypted store.
/// Thread-safe: a refresh on a worker thread replaces the credentials while
/// the main thread reads them.
class PLATFORM_EXPORT VQUserAccount : public std::enable_shared_from_this<VQUserAccount> {
public:
    static std::shared_ptr<VQUserAccount> create(std::shared_ptr<VQOAuthCredentials> credentials,
                                                 std::shared_ptr<VQIdData> idData = nullptr);

    /// The credentials; null only for an account made without any.
    std::shared_ptr<VQOAuthCredentials> credentials() const;
    void setCredentials(std::shared_ptr<VQOAuthCredentials> credentials);
    /// The identity data; null until the identity service answered.
    std::shared_ptr<VQIdData> idData() const;
    void setIdData(std::shared_ptr<VQIdData> idData);

    VQUserAccountLoginState loginState() const;
    void setLoginState(VQUserAccountLoginState state);

    /// The user and org ids of the credentials, else of the identity data.
    VQUserAccountIdentity accountIdentity() const;
    /// The identity data's display name, else its user name, else "".
    std::string fullName() const;
    /// "<VQUserAccount userId=... orgId=...>".
    std::string description() const;

private:
    VQUserAccount(std::shared_ptr<VQOAuthCredentials> credentials, std::shared_ptr<VQIdData> idData)
        : credentials_(std::move(credentials)), idData_(std::move(idData)) {}

    mutable std::mutex mutex_; // guards the fields below
    std::shared_ptr<VQOAuthCredentials> credentials_;
    std::shared_ptr<VQIdData> idData_;
    VQUserAccountLoginState loginState_ = VQUserAccountLoginState::notLoggedIn;
};

} // namespace platform::veltrane
