#pragma once

#include "VellicorApp/Switching/ServiceProviderAppListViewModel.hpp"

#include "Platform/UI/Declarative.hpp"

#include <memory>

namespace vellicor {

/// The service-provider apps' screen, one of two contents each time it is
/// drawn: the sign-in overlay while a row's sign-in runs, else a scrolling
/// column of cards, one per app in order, told apart by their index. Cards,
/// their models and their sign-ins are made afresh at every drawing; only
/// their alert flags, kept by the list's model, carry over.
struct ServiceProviderAppListView {
    std::shared_ptr<ServiceProviderAppListViewModel> viewModel;

    platform::ui::Node body() const;
};

} // namespace vellicor
