#include "VellicorApp/Switching/ServiceProviderAppRowView.hpp"

#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Switching/BrandFont.hpp"

#include "Platform/UI/Color.hpp"


namespace vellicor {

using platform::ui::Color;
using platform::ui::EdgeInsets;
using platform::ui::Node;

namespace {

constexpr const char* kNameFont = "VeltraneSans-Bold";
constexpr double kNameFontSize = 16;
constexpr const char* kButtonFont = "VeltraneSans";
constexpr double kButtonFontSize = 14;
/// The platform's standard horizontal margin.
constexpr double kStandardMargin = 16;
constexpr double kOutlineGrey = 201.0 / 255;
/// For UI automation: the tab's own item carries the same title.
constexpr const char* kLoginButtonIdentifier = "ServiceProviderAppRowView.login";

} // namespace

void ServiceProviderAppRowView::loginButtonPressed() const {
    auto alert = canShowAlert;
    viewModel->loginButtonPressed([model = viewModel, alert](ServiceProviderAuthStatus status) {
        // The card's callback owns the row's model, and through it the
        // sign-in, until the sign-in has nothing more to report.
        (void)model;
        if (status == ServiceProviderAuthStatus::stopped) alert.set(!alert.get());
    });
}

Node ServiceProviderAppRowView::body() const {
    std::vector<Node> heading;
    if (auto image = viewModel->icon()) heading.push_back(Node::image(std::move(image)));
    heading.push_back(Node::text(viewModel->name()).font(brandFont(kNameFont, kNameFontSize)));

    auto title = Node::text(localized("LOGIN_BUTTON", "login button text"));
    title.font(brandFont(kButtonFont, kButtonFontSize)).foregroundColor(Color::systemBlue());
    const auto self = *this;
    auto button = Node::button(std::move(title), [self] { self.loginButtonPressed(); });
    button.accessibilityIdentifier(kLoginButtonIdentifier)
        .attribute("maxWidth", "infinity")
        .padding(EdgeInsets{11.73, kStandardMargin, 10.27, kStandardMargin});

    auto card = Node::vstack({Node::hstack(std::move(heading)).padding(EdgeInsets{10, 10, 10, 0}), Node::divider(),
                              std::move(button)},
                             platform::ui::HorizontalAlignment::leading);
    card.background(Color::white())
        .cornerRadius(4)
        .border(Color::rgba(kOutlineGrey, kOutlineGrey, kOutlineGrey), 1)
        .attribute("maxWidth", "infinity")
        .alert(localized("MULTI_SSO_ERROR_TITLE", "Can't log you in"), canShowAlert.binding(),
               {Node::button(localized("MULTI_SSO_ERROR_BUTTON_TITLE", "Got it"), [] {})},
               localized("MULTI_SSO_ERROR_MESSAGE",
                         "Something went wrong while logging you in to this app. Try again."));
    return card;
}

} // namespace vellicor
