#pragma once

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Url.hpp"

#include <optional>
#include <string>

namespace vellicor {

/// Sends one log upload: a JSON POST of the body with the header
/// "install-id" (the given UUID text) and "app-secret" (the app's App Center
/// secret), with a 60-second time-out; the completion gets the raw transfer
/// result on the network's queue. The HTTP client of the networking code
/// implements it, so that the log uploader needs nothing of that code.
class LogUploading {
public:
    virtual ~LogUploading() = default;
    virtual void upload(const platform::Url& url, const std::string& uuid, const std::optional<platform::Data>& body,
                        platform::HttpCompletion completion) const = 0;
};

} // namespace vellicor
