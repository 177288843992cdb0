#include "TarnixKORVAInstrumentation/TarnixKORVAMarker.hpp"

#include "ItemCount.hpp"

#include "TarnixPlatformClient/TarnixLoggerUtils.hpp"

#include "Platform/Foundation/Clock.hpp"

#include <array>
#include <string_view>

namespace tarnix {

namespace {

constexpr const char* kPluginVersionField = "plugin_version";
constexpr const char* kTaskNameField = "task_name";
constexpr const char* kMessageField = "message";
constexpr const char* kBarcodeTypeField = "barcode_type";
constexpr const char* kItemCountField = "item_count";

using Ids = TarnixLoggerUtils::PluginIdMap;
using Results = TarnixLoggerUtils::PluginResultParameterIdMap;

/// The plug-ins whose results carry an item count.
constexpr std::array<std::string_view, 5> kItemCountPlugins = {
    Ids::calendarServiceId, Ids::contactsServiceId, Ids::documentScannerId, Ids::geofencingServiceId,
    Ids::nfcServiceId,
};

std::int64_t nowInMilliseconds() { return static_cast<std::int64_t>(platform::now() * 1000); }

/// The value under a key of the task results; null when there are no results,
/// they are not an object or the key is missing.
const platform::Json* resultValue(const std::optional<platform::Json>& taskResults, std::string_view key) {
    return taskResults ? platform::jsonValue(*taskResults, key) : nullptr;
}

} // namespace

std::shared_ptr<TarnixKORVAMarker> TarnixKORVAMarker::create(const std::string& pluginId,
                                                             const std::string& pluginVersion,
                                                             const std::string& taskName,
                                                             const std::optional<std::string>& message,
                                                             const std::optional<platform::Json>& attributes) {
    return std::shared_ptr<TarnixKORVAMarker>(
        new TarnixKORVAMarker(pluginId, pluginVersion, taskName, message, attributes));
}

TarnixKORVAMarker::TarnixKORVAMarker(const std::string& pluginId, const std::string& pluginVersion,
                                     const std::string& taskName, const std::optional<std::string>& message,
                                     const std::optional<platform::Json>& attributes)
    : name_(pluginId),
      attributes_({
          {kPluginVersionField, pluginVersion},
          {kTaskNameField, taskName},
          {kMessageField, message.value_or("")},
      }) {
    if (attributes && attributes->is_object()) {
        for (const auto& [key, value] : attributes->items()) {
            if (!attributes_.contains(key)) attributes_[key] = value;
        }
    }
}

void TarnixKORVAMarker::start() { startTime_ = nowInMilliseconds(); }

void TarnixKORVAMarker::stop(const std::optional<platform::Json>& taskResults, const TarnixPluginFailure* failure) {
    endTime_ = nowInMilliseconds();
    attributes_[kMessageField] = failure ? failure->localizedDescription() : std::string();

    if (name_ == Ids::barcodeScannerId) {
        const auto* type = resultValue(taskResults, Results::barcodeType);
        attributes_[kBarcodeTypeField] = type && type->is_string() ? type->get<std::string>() : std::string();
        return;
    }
    for (const auto id : kItemCountPlugins) {
        if (name_ != id) continue;
        const auto* value = resultValue(taskResults, Results::itemCount);
        const std::uint32_t count = value ? detail::itemCount(*value).value_or(0) : 0;
        attributes_[kItemCountField] = count;
        return;
    }
}

} // namespace tarnix
