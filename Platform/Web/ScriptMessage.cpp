#include "Platform/Web/ScriptMessage.hpp"

#include <algorithm>
#include <cctype>

namespace platform::web {

SecurityOrigin SecurityOrigin::of(const Url& url) {
    SecurityOrigin origin;
    auto absolute = url.absoluteURL();
    origin.protocol = absolute.scheme().value_or("");
    std::transform(origin.protocol.begin(), origin.protocol.end(), origin.protocol.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    origin.host = absolute.host().value_or("");
    origin.port = absolute.port().value_or(0);
    return origin;
}

std::string SecurityOrigin::description() const {
    std::string text = protocol + "://" + host;
    if (port != 0) {
        text += ":" + std::to_string(port);
    }
    return text;
}

} // namespace platform::web
