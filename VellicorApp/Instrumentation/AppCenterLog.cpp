#include "VellicorApp/Instrumentation/AppCenterLog.hpp"

namespace vellicor {

platform::Json AppCenterLog::json() const {
    auto array = platform::Json::array();
    for (const auto& log : logs) array.push_back(log->json());
    return platform::Json{{"logs", std::move(array)}};
}

} // namespace vellicor
