#pragma once

#include "VellicorApp/Community/ServiceProviderAppInfo.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerName.hpp"
#include "VellicorApp/Switching/ServiceProviderAuthHandler.hpp"

#include "Platform/SDKs/Veltrane/SPConfig.hpp"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace platform::ui {
class Image;
}

namespace vellicor {

class ServiceProviderAppListViewModel;

/// The model of one card of the service-provider list: the app's record,
/// the sign-in of this card and the list whose overlay flag it sets. Its
/// login button forms the SDK's service-provider configuration, starts the
/// sign-in, and turns the statuses into the list's flag, markers and calls
/// of the card's callback.
///
/// Threads: the button runs on the main thread. Statuses may come on the
/// SDK's thread; their markers are logged there, and the list's flag and the
/// card's callback always change on the main queue, in arrival order.
///
/// Lifetime: the list is not owned (it is the list's own model); the card's
/// callback owns this model, and the pending sign-in owns the callback, so
/// the statuses still arrive after the list has rebuilt its cards.
class ServiceProviderAppRowViewModel : public std::enable_shared_from_this<ServiceProviderAppRowViewModel> {
public:
    using Update = ServiceProviderAuthHandler::Update;

    /// The card for the app at `rowIndex` of the list (an index within the
    /// list's apps; anything else stops the app).
    static std::shared_ptr<ServiceProviderAppRowViewModel> create(
        std::size_t rowIndex, const std::shared_ptr<ServiceProviderAppListViewModel>& parentViewModel,
        std::shared_ptr<ServiceProviderAuthHandler> authHandler);
    virtual ~ServiceProviderAppRowViewModel() = default;

    const ServiceProviderAppInfo& rowInfo() const { return rowInfo_; }
    const std::shared_ptr<ServiceProviderAuthHandler>& authHandler() const { return authHandler_; }

    virtual std::string name() const;
    /// The record's icon: strict Base64, then image data the platform's
    /// decoder reads; none when either step fails.
    virtual std::shared_ptr<platform::ui::Image> icon() const;
    /// The login button, with the card's callback (may be empty).
    virtual void loginButtonPressed(Update update);

    /// Equal records and equal lists (by the list model's equality; two
    /// lists that are both gone are equal). The handlers are not compared.
    bool operator==(const ServiceProviderAppRowViewModel& other) const;

protected:
    ServiceProviderAppRowViewModel(ServiceProviderAppInfo rowInfo,
                                   std::weak_ptr<ServiceProviderAppListViewModel> parentViewModel,
                                   std::shared_ptr<ServiceProviderAuthHandler> authHandler);

private:
    std::optional<std::string> fetchKeyChainGroupName() const;
    platform::veltrane::SPConfig createServiceProviderConfig(const std::string& keychainGroup) const;
    void beginAuthentication(const platform::veltrane::SPConfig& config, Update update);
    void handleAuthenticationStatus(ServiceProviderAuthStatus status, const Update& update) const;
    void updateIsAuthenticating(ServiceProviderAuthStatus status, const Update& update) const;
    void logInteraction(KORVAMarkerName marker) const;

    const ServiceProviderAppInfo rowInfo_;
    const std::shared_ptr<ServiceProviderAuthHandler> authHandler_;
    // Not owned: the list owns its rows' views, not the other way round.
    const std::weak_ptr<ServiceProviderAppListViewModel> parentViewModel_;
};

} // namespace vellicor
