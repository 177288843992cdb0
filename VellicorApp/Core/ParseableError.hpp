#pragma once

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Json.hpp"

#include <optional>
#include <string>
#include <variant>

namespace vellicor {

/// The failure of a parser of page dictionaries or of the file fetcher.
class ParseableError {
public:
    /// The cases in declaration order; `legacy` carries a platform error.
    enum class Case {
        legacy,
        unknownContentType,
        unknownNativeAction,
        missingRequiredAttributes,
        missingConfig,
        invalidRequestID,
    };

    /// The one error domain of every case as a platform error object.
    static constexpr const char* kErrorDomain = "parsing.dictionary.error";

    static ParseableError legacy(std::optional<platform::Error> error = std::nullopt);
    static ParseableError unknownContentType() { return ParseableError(Case::unknownContentType); }
    static ParseableError unknownNativeAction() { return ParseableError(Case::unknownNativeAction); }
    static ParseableError missingRequiredAttributes() { return ParseableError(Case::missingRequiredAttributes); }
    static ParseableError missingConfig() { return ParseableError(Case::missingConfig); }
    static ParseableError invalidRequestID() { return ParseableError(Case::invalidRequestID); }

    Case kind() const;
    /// The payload of `legacy`; none for other cases or without one.
    const std::optional<platform::Error>& legacyError() const;

    /// Same case, and for `legacy` equal payloads (both absent, or equal
    /// domain, code and user info).
    bool operator==(const ParseableError&) const = default;

private:
    struct Legacy {
        std::optional<platform::Error> error;
        bool operator==(const Legacy&) const = default;
    };
    struct Plain {
        Case kind;
        bool operator==(const Plain&) const = default;
    };

    explicit ParseableError(Case kind) : value_(Plain{kind}) {}
    explicit ParseableError(Legacy legacy) : value_(std::move(legacy)) {}

    std::variant<Legacy, Plain> value_;
};

/// The user-facing text (see the cases' keys; "UNKNOWN" for `legacy` without
/// payload, the log-in text for a payload of code 401, else the payload's
/// message string).
std::string localizedDescription(const ParseableError& error);
/// The short type for instrumentation and the page's error reply.
std::string errorType(const ParseableError& error);
/// The payload's code for `legacy` (400 without one); 400 for the other cases.
long errorCode(const ParseableError& error);
/// Always an empty dictionary.
platform::Json errorUserInfo(const ParseableError& error);
/// The error as a platform error object: kErrorDomain, errorCode, errorUserInfo.
platform::Error toPlatformError(const ParseableError& error);

} // namespace vellicor
