#pragma once

#include "Platform/SDKs/Tarnix/Export.hpp"
#include "Platform/SDKs/Tarnix/TarnixPlugin.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform::ui {
class ViewController;
}

namespace platform::tarnixbridge {

/// A code the camera sees: its text and its symbology ("qr", "ean13"...).
struct TARNIX_BRIDGE_EXPORT BarcodeScan {
    std::string text;
    std::string format;
};

/// The barcode scanner plug-in ("BarcodeScanner"). Its action "scan"
/// ({"animated": Boolean, true when absent}) shows the scanner screen through
/// the presenter with that animation flag, takes the code the camera sees,
/// closes the screen and answers {"text", "format"}, reporting the format as
/// "barcode_type"; with no code in view it fails with "NO_CODE".
class TARNIX_BRIDGE_EXPORT BarcodeScannerPlugin : public TarnixPlugin {
public:
    /// Presents a screen of the plug-in: the screen and whether to animate.
    using Presenter = std::function<void(const std::shared_ptr<ui::ViewController>& screen, bool animated)>;

    static std::shared_ptr<BarcodeScannerPlugin> create(Presenter presenter,
                                                        std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate);

    /// The code in front of the camera (none: nothing to scan).
    static void setCodeInView(std::optional<BarcodeScan> scan);

    bool handlesAction(std::string_view action) const override { return action == "scan"; }

protected:
    BarcodeScannerPlugin(Presenter presenter, std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate);
    void perform(const std::string& action, const Json& args, Completion completion) override;

private:
    Presenter presenter_;
};

} // namespace platform::tarnixbridge
