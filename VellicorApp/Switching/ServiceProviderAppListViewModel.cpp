#include "VellicorApp/Switching/ServiceProviderAppListViewModel.hpp"

namespace vellicor {

std::shared_ptr<ServiceProviderAppListViewModel> ServiceProviderAppListViewModel::create(
    std::vector<ServiceProviderAppInfo> appInfos) {
    struct Made : ServiceProviderAppListViewModel {
        explicit Made(std::vector<ServiceProviderAppInfo> infos) : ServiceProviderAppListViewModel(std::move(infos)) {}
    };
    return std::make_shared<Made>(std::move(appInfos));
}

ServiceProviderAppListViewModel::ServiceProviderAppListViewModel(std::vector<ServiceProviderAppInfo> appInfos)
    : appInfos_(std::move(appInfos)) {
    canShowAlert_.reserve(appInfos_.size());
    for (std::size_t i = 0; i < appInfos_.size(); ++i) canShowAlert_.emplace_back(false);
}

std::optional<platform::ui::State<bool>> ServiceProviderAppListViewModel::canShowAlert(std::size_t rowIndex) const {
    if (rowIndex >= canShowAlert_.size()) return std::nullopt;
    return canShowAlert_[rowIndex];
}

bool ServiceProviderAppListViewModel::operator==(const ServiceProviderAppListViewModel& other) const {
    return appInfos_ == other.appInfos_ && isAuthenticating.get() == other.isAuthenticating.get();
}

} // namespace vellicor
