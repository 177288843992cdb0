#pragma once

#include "VellicorApp/Switching/ServiceProviderAppRowViewModel.hpp"

#include "Platform/UI/Declarative.hpp"

#include <memory>

namespace vellicor {

/// One card of the service-provider list: the app's icon and name, a
/// divider and a login button, on white inside a thin grey rounded outline.
/// A sign-in that reports `stopped` flips `canShowAlert`, which shows the
/// card's error alert; dismissing the alert sets it back to false.
struct ServiceProviderAppRowView {
    std::shared_ptr<ServiceProviderAppRowViewModel> viewModel;
    /// The card's alert flag (kept by the list's model, see there).
    platform::ui::State<bool> canShowAlert;

    platform::ui::Node body() const;
    /// What the login button runs: the row's sign-in with the card's callback,
    /// which holds the row's model (and with it its sign-in) strongly.
    void loginButtonPressed() const;
};

} // namespace vellicor
