#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"

namespace platform::veltrane {

std::shared_ptr<VQUserAccount> VQUserAccount::create(std::shared_ptr<VQOAuthCredentials> credentials,
                                                     std::shared_ptr<VQIdData> idData) {
    return std::shared_ptr<VQUserAccount>(new VQUserAccount(std::move(credentials), std::move(idData)));
}

std::shared_ptr<VQOAuthCredentials> VQUserAccount::credentials() const {
    std::lock_guard lock(mutex_);
    return credentials_;
}

void VQUserAccount::setCredentials(std::shared_ptr<VQOAuthCredentials> credentials) {
    std::lock_guard lock(mutex_);
    credentials_ = std::move(credentials);
}

std::shared_ptr<VQIdData> VQUserAccount::idData() const {
    std::lock_guard lock(mutex_);
    return idData_;
}

void VQUserAccount::setIdData(std::shared_ptr<VQIdData> idData) {
    std::lock_guard lock(mutex_);
    idData_ = std::move(idData);
}

VQUserAccountLoginState VQUserAccount::loginState() const {
    std::lock_guard lock(mutex_);
    return loginState_;
}

void VQUserAccount::setLoginState(VQUserAccountLoginState state) {
    std::lock_guard lock(mutex_);
    loginState_ = state;
}

VQUserAccountIdentity VQUserAccount::accountIdentity() const {
    std::lock_guard lock(mutex_);
    VQUserAccountIdentity identity;
    if (credentials_) {
        identity.userId = credentials_->userId.value_or("");
        identity.orgId = credentials_->organizationId.value_or("");
    }
    if (idData_) {
        if (identity.userId.empty()) identity.userId = idData_->userId.value_or("");
        if (identity.orgId.empty()) identity.orgId = idData_->orgId.value_or("");
    }
    return identity;
}

std::string VQUserAccount::fullName() const {
    std::lock_guard lock(mutex_);
    if (!idData_) return {};
    if (idData_->displayName) return *idData_->displayName;
    return idData_->username.value_or("");
}

std::string VQUserAccount::description() const {
    auto identity = accountIdentity();
    return "<VQUserAccount userId=" + identity.userId + " orgId=" + identity.orgId + ">";
}

} // namespace platform::veltrane
