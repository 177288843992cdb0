#pragma once

#include "Platform/Foundation/Error.hpp"

#include <any>
#include <concepts>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>

namespace vellicor {

namespace detail {
/// An error type with a free `localizedDescription(e)`.
template <class E>
concept DescribableError = requires(const E& e) {
    { localizedDescription(e) } -> std::convertible_to<std::string>;
};

template <DescribableError E>
std::string describeError(const E& error) {
    return localizedDescription(error);
}
} // namespace detail

/// An error value of any kind, kept with the means to describe it.
class AnyError {
public:
    AnyError(platform::Error error)
        : value_(std::move(error)),
          describe_([](const std::any& value) { return std::any_cast<const platform::Error&>(value).localizedDescription(); }) {}

    /// Any error type that has a free `localizedDescription(e)`.
    template <detail::DescribableError E>
        requires(!std::same_as<E, platform::Error> && !std::same_as<E, AnyError>)
    AnyError(E error)
        : value_(std::move(error)),
          describe_([](const std::any& value) { return detail::describeError(std::any_cast<const E&>(value)); }) {}

    std::string localizedDescription() const { return describe_(value_); }

    /// The error as the given type; null when it is of another type.
    template <class E>
    const E* as() const {
        return std::any_cast<E>(&value_);
    }

private:
    std::any value_;
    std::function<std::string(const std::any&)> describe_;
};

/// The error with which a flow step ends.
class FlowCoordinatorError {
public:
    /// The cases in declaration order; the first two carry a payload.
    enum class Case {
        transport,
        legacy,
        requiresAuthentication,
        requiresWebBootstrap,
        switchCommunityNotRequired,
        missingCredentialsForSessionRefresh,
        unavailableTabBarExperience,
        invalidAction,
    };

    static FlowCoordinatorError transport(std::optional<AnyError> error = std::nullopt);
    static FlowCoordinatorError legacy(std::optional<platform::Error> error = std::nullopt);
    static FlowCoordinatorError requiresAuthentication() { return FlowCoordinatorError(Case::requiresAuthentication); }
    static FlowCoordinatorError requiresWebBootstrap() { return FlowCoordinatorError(Case::requiresWebBootstrap); }
    static FlowCoordinatorError switchCommunityNotRequired() { return FlowCoordinatorError(Case::switchCommunityNotRequired); }
    static FlowCoordinatorError missingCredentialsForSessionRefresh() {
        return FlowCoordinatorError(Case::missingCredentialsForSessionRefresh);
    }
    static FlowCoordinatorError unavailableTabBarExperience() { return FlowCoordinatorError(Case::unavailableTabBarExperience); }
    static FlowCoordinatorError invalidAction() { return FlowCoordinatorError(Case::invalidAction); }

    Case kind() const;
    /// The payload of `transport`; none for other cases or without one.
    const std::optional<AnyError>& transportError() const;
    /// The payload of `legacy`; none for other cases or without one.
    const std::optional<platform::Error>& legacyError() const;

    /// The domain the error has as a platform error object.
    static constexpr const char* kErrorDomain = "VellicorApp.FlowCoordinatorError";

private:
    struct Transport {
        std::optional<AnyError> error;
    };
    struct Legacy {
        std::optional<platform::Error> error;
    };
    struct Plain {
        Case kind;
    };

    explicit FlowCoordinatorError(Case kind) : value_(Plain{kind}) {}
    explicit FlowCoordinatorError(Transport transport) : value_(std::move(transport)) {}
    explicit FlowCoordinatorError(Legacy legacy) : value_(std::move(legacy)) {}

    std::variant<Transport, Legacy, Plain> value_;
};

/// The user-facing text: the payload's description for `transport` and
/// `legacy` ("UNKNOWN" without one), "INVALID_ACTION" for `invalidAction`,
/// the localised text of the case's key otherwise.
std::string localizedDescription(const FlowCoordinatorError& error);
/// The code of the error as a platform error object: the case's position.
long errorCode(const FlowCoordinatorError& error);
/// The error as a platform error object (kErrorDomain, errorCode, no user info).
platform::Error toPlatformError(const FlowCoordinatorError& error);

} // namespace vellicor
