#include "TarnixPlatformClient/TarnixLogLevel.hpp"

namespace tarnix {

std::optional<TarnixLogLevel> tarnixLogLevel(int rawValue) {
    switch (rawValue) {
    case 0: return TarnixLogLevel::ERROR;
    case 1: return TarnixLogLevel::WARNING;
    case 2: return TarnixLogLevel::INFO;
    case 3: return TarnixLogLevel::DEBUG;
    default: return std::nullopt;
    }
}

std::string description(TarnixLogLevel level) {
    switch (level) {
    case TarnixLogLevel::ERROR: return "ERROR";
    case TarnixLogLevel::WARNING: return "WARNING";
    case TarnixLogLevel::INFO: return "INFO";
    case TarnixLogLevel::DEBUG: return "DEBUG";
    }
    return "DEBUG";
}

} // namespace tarnix
