#pragma once

#include "VellicorApp/Community/ServiceProviderAppInfo.hpp"

#include "Platform/UI/Declarative.hpp"

#include <cstddef>
#include <memory>
#include <vector>

namespace vellicor {

/// The model of the service-provider apps' tab: the apps, fixed when it is
/// made, and whether a row's sign-in runs (the screen then shows its
/// sign-in overlay instead of the list). Rows write the flag on the main
/// queue. Main thread only.
class ServiceProviderAppListViewModel : public platform::ui::ObservableObject {
public:
    /// The apps in configuration order; not authenticating.
    static std::shared_ptr<ServiceProviderAppListViewModel> create(std::vector<ServiceProviderAppInfo> appInfos);

    /// A row's sign-in runs; every change redraws the screen. Starts false.
    platform::ui::Published<bool> isAuthenticating{*this, false};

    const std::vector<ServiceProviderAppInfo>& appInfos() const { return appInfos_; }

    /// Whether the row at `rowIndex` shows its error alert. Kept here rather
    /// than in the row's view, which the overlay removes while a sign-in
    /// runs: a sign-in that stops with an error must still show the alert on
    /// the row built again at that index. None for an index past the end.
    std::optional<platform::ui::State<bool>> canShowAlert(std::size_t rowIndex) const;

    /// Equal apps, element by element, and equal flags (the alert flags are
    /// the rows' view state, not compared).
    bool operator==(const ServiceProviderAppListViewModel& other) const;

protected:
    explicit ServiceProviderAppListViewModel(std::vector<ServiceProviderAppInfo> appInfos);

private:
    const std::vector<ServiceProviderAppInfo> appInfos_;
    std::vector<platform::ui::State<bool>> canShowAlert_;
};

} // namespace vellicor
