#include "VellicorApp/Switching/ServiceProviderAppListView.hpp"

#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Switching/ServiceProviderAppRowView.hpp"
#include "VellicorApp/Switching/ServiceProviderLoadingOverlayView.hpp"

#include <string>
#include <vector>

namespace vellicor {

using platform::ui::Node;

namespace {

constexpr double kRowSpacing = 16;
/// The system's default inset at the leading and trailing sides.
constexpr double kSideInset = 16;

} // namespace

Node ServiceProviderAppListView::body() const {
    if (viewModel->isAuthenticating.get()) {
        return ServiceProviderLoadingOverlayView{localized("LOGGING_IN", "Logging in...")}.body();
    }
    std::vector<Node> rows;
    const auto count = viewModel->appInfos().size();
    rows.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        auto row = ServiceProviderAppRowViewModel::create(index, viewModel, ServiceProviderAuthHandler::create());
        auto card = ServiceProviderAppRowView{std::move(row), *viewModel->canShowAlert(index)}.body();
        rows.push_back(std::move(card.id(std::to_string(index))));
    }
    auto stack =
        Node::vstack({Node::forEach(std::move(rows))}, platform::ui::HorizontalAlignment::leading, kRowSpacing);
    stack.padding(platform::ui::EdgeInsets{0, kSideInset, 0, kSideInset});
    return Node::scrollView({std::move(stack)}, true);
}

} // namespace vellicor
