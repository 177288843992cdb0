#include "TarnixPlatformClient/TarnixLogger.hpp"

namespace tarnix {

TarnixLogger::~TarnixLogger() = default;

} // namespace tarnix
