#pragma once

#include "VellicorApp/Switching/ServiceProviderAppListView.hpp"

#include "Platform/UI/DeclarativeHosting.hpp"

#include <memory>
#include <string>

namespace vellicor {

/// The service-provider apps' tab: a hosting controller whose root view is
/// the list over its model, titled with "SUPPORTED_APPS_TITLE". It owns the
/// model, so the model lives as long as the tab. Made in code only.
class ServiceProviderAppListViewController : public platform::ui::HostingController {
public:
    static std::shared_ptr<ServiceProviderAppListViewController> create(ServiceProviderAppListView rootView);
    /// Making the controller from an archive (a storyboard) is not supported:
    /// stops the app with "init(coder:) has not been implemented".
    [[noreturn]] static std::shared_ptr<ServiceProviderAppListViewController> fromArchive();

    const ServiceProviderAppListView& rootView() const { return rootView_; }
    std::string typeName() const override { return "ServiceProviderAppListViewController"; }

protected:
    explicit ServiceProviderAppListViewController(ServiceProviderAppListView rootView);

private:
    const ServiceProviderAppListView rootView_;
};

} // namespace vellicor
