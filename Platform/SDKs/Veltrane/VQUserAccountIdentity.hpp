#pragma once

#include <compare>
#include <string>

namespace platform::veltrane {

/// Who a user account is: the user's id within the organisation's id. The
/// SDK keys its per-user objects (analytics managers, stores) by it.
struct VQUserAccountIdentity {
    std::string userId;
    std::string orgId;

    bool isValid() const { return !userId.empty() && !orgId.empty(); }
    friend auto operator<=>(const VQUserAccountIdentity&, const VQUserAccountIdentity&) = default;
    friend bool operator==(const VQUserAccountIdentity&, const VQUserAccountIdentity&) = default;
};

} // namespace platform::veltrane
