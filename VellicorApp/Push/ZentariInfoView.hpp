#pragma once

#include "Platform/Foundation/Json.hpp"
#include "Platform/UI/Declarative.hpp"
#include "Platform/UI/DeclarativeHosting.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

/// The identity the marketing SDK reports (its identity module's JSON), of
/// which the info screen shows the contact key. Keys are matched exactly;
/// every member is required except "profileId" (absent or null: none).
struct ZentariInfoCustomProperties {
    std::string deviceId;
    std::vector<std::string> tags;
    bool operator==(const ZentariInfoCustomProperties&) const = default;
};

struct ZentariInfoPushViewModel {
    std::optional<std::string> profileId;
    std::string applicationId;
    std::string installationId;
    ZentariInfoCustomProperties customProperties;
    bool operator==(const ZentariInfoPushViewModel&) const = default;
};

struct ZentariInfoIdentitiesViewModel {
    ZentariInfoPushViewModel push;
    bool operator==(const ZentariInfoIdentitiesViewModel&) const = default;
};

struct ZentariInfoViewModel {
    std::string registrationId;
    std::string platformType;
    ZentariInfoIdentitiesViewModel moduleIdentities;

    /// The same keys; "profileId" left out when there is none.
    platform::Json encode() const;
    bool operator==(const ZentariInfoViewModel&) const = default;
};

/// Decodes the identity JSON text; none (nothing logged) when it is not
/// UTF-8 JSON of that shape.
struct ZentariInfoViewModelFactory {
    std::optional<ZentariInfoViewModel> model(const std::string& json) const;
};

/// The marketing information screen of the developer menu: the push device
/// token, the SDK's device id, the selected provisioning entry as JSON (its
/// access token included) and the SDK's contact key, read afresh each time
/// the content is built, with "Dismiss" and "Trigger Push Permission", which
/// runs the in-app message's permission road. Fixed texts, no state. Main thread.
class ZentariInfoView {
public:
    static constexpr const char* kNotSet = "Not Set On Zentari Yet";
    static constexpr const char* kInvalidConfiguration = "Invalid Configuration";

    platform::ui::Node body() const;

    /// The rows' values, as the body shows them.
    static std::string deviceTokenText();
    static std::string deviceIdText();
    static std::string configurationText();
    static std::string contactKeyText();
    /// "Trigger Push Permission": hands "ostrel://show-push-permission" to
    /// the marketing push manager; nothing without one.
    static void triggerPushPermission();
};

/// The hosting controller of the marketing information screen.
class ZentariInfoViewController : public platform::ui::HostingController {
public:
    static std::shared_ptr<ZentariInfoViewController> create(ZentariInfoView rootView = {});
    std::string typeName() const override { return "ZentariInfoViewController"; }

private:
    explicit ZentariInfoViewController(ZentariInfoView rootView)
        : HostingController([rootView] { return rootView.body(); }) {}
};

} // namespace vellicor
