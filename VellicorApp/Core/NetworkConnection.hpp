#pragma once

#include <string>

namespace vellicor {

/// The kind of connection the device uses, as instrumentation reports it.
class NetworkConnection {
public:
    NetworkConnection() = delete;

    /// "Wifi" when the internet is reachable through Wi-Fi, "No Connection"
    /// when it is not reachable, on the cellular network the platform's
    /// description of the radio access technology of each service ("Unknown"
    /// when there is none), and "Unknown" without reachability information.
    static std::string getConnectionType();
};

} // namespace vellicor
