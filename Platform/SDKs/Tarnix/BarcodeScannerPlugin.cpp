#include "Platform/SDKs/Tarnix/BarcodeScannerPlugin.hpp"

#include "Platform/SDKs/Tarnix/DeviceState.hpp"
#include "Platform/SDKs/Tarnix/PluginScreen.hpp"

#include "TarnixPlatformClient/TarnixLoggerUtils.hpp"

namespace platform::tarnixbridge {

namespace {

DeviceState<std::optional<BarcodeScan>>& codeInView() {
    static DeviceState<std::optional<BarcodeScan>> state;
    return state;
}

} // namespace

std::shared_ptr<BarcodeScannerPlugin> BarcodeScannerPlugin::create(Presenter presenter,
                                                                   std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate) {
    return std::shared_ptr<BarcodeScannerPlugin>(new BarcodeScannerPlugin(std::move(presenter), std::move(loggerDelegate)));
}

BarcodeScannerPlugin::BarcodeScannerPlugin(Presenter presenter, std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate)
    : TarnixPlugin(std::string(::tarnix::TarnixLoggerUtils::PluginIdMap::barcodeScannerId), "TarnixPluginBarcodeScanner",
                   std::move(loggerDelegate)),
      presenter_(std::move(presenter)) {}

void BarcodeScannerPlugin::setCodeInView(std::optional<BarcodeScan> scan) { codeInView().set(std::move(scan)); }

void BarcodeScannerPlugin::perform(const std::string&, const Json& args, Completion completion) {
    const bool animated = !(args.is_object() && args.contains("animated") && args["animated"].is_boolean()) ||
                          args["animated"].get<bool>();
    auto screen = PluginScreen::make("TarnixBarcodeScannerViewController");
    if (presenter_) presenter_(screen, animated);
    const auto scan = codeInView().get();
    screen->dismiss(animated);
    if (!scan) {
        completion(std::unexpected(PluginFailure("NO_CODE", "No code was scanned.")));
        return;
    }
    const auto barcodeType = std::string(::tarnix::TarnixLoggerUtils::PluginResultParameterIdMap::barcodeType);
    completion(PluginOutcome{Json{{"text", scan->text}, {"format", scan->format}}, Json{{barcodeType, scan->format}}});
}

} // namespace platform::tarnixbridge
