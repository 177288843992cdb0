#include "VellicorApp/Push/ZentariInfoView.hpp"

#include "VellicorApp/Community/ZentariProvisionSelectionStore.hpp"
#include "VellicorApp/Push/ZentariPushManager.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Localization.hpp"

#include "Platform/SDKs/Zentari/VQZTSdk.hpp"

namespace vellicor {

namespace {

using platform::Json;
using platform::ui::Node;

std::optional<std::string> requiredString(const Json& object, const char* key) {
    const auto* value = platform::jsonValue(object, key);
    if (value == nullptr || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

const Json* requiredObject(const Json& object, const char* key) {
    const auto* value = platform::jsonValue(object, key);
    return value != nullptr && value->is_object() ? value : nullptr;
}

std::optional<ZentariInfoCustomProperties> decodeCustomProperties(const Json& json) {
    auto deviceId = requiredString(json, "deviceId");
    const auto* tags = platform::jsonValue(json, "tags");
    if (!deviceId || tags == nullptr || !tags->is_array()) return std::nullopt;
    ZentariInfoCustomProperties properties{std::move(*deviceId), {}};
    for (const auto& tag : *tags) {
        if (!tag.is_string()) return std::nullopt;
        properties.tags.push_back(tag.get<std::string>());
    }
    return properties;
}

std::optional<ZentariInfoPushViewModel> decodePush(const Json& json) {
    ZentariInfoPushViewModel push;
    if (const auto* profile = platform::jsonValue(json, "profileId"); profile != nullptr && !profile->is_null()) {
        if (!profile->is_string()) return std::nullopt;
        push.profileId = profile->get<std::string>();
    }
    auto applicationId = requiredString(json, "applicationId");
    auto installationId = requiredString(json, "installationId");
    const auto* custom = requiredObject(json, "customProperties");
    if (!applicationId || !installationId || custom == nullptr) return std::nullopt;
    auto properties = decodeCustomProperties(*custom);
    if (!properties) return std::nullopt;
    push.applicationId = std::move(*applicationId);
    push.installationId = std::move(*installationId);
    push.customProperties = std::move(*properties);
    return push;
}

/// A row: its title and its value, straight in the screen's stack.
void appendRow(std::vector<Node>& stack, const std::string& title, const std::string& value,
               std::optional<int> lineLimit = 1) {
    auto titleFont = platform::ui::Font::preferredFont(platform::ui::TextStyle::title1);
    Node titleText = Node::text(title);
    titleText.font(platform::ui::Font::systemFont(titleFont.pointSize, platform::ui::FontWeight::bold)).padding();
    Node valueText = Node::text(value);
    valueText.padding(platform::ui::EdgeInsets{0, 10, 0, 10}).minimumScaleFactor(0.5).lineLimit(lineLimit);
    stack.push_back(std::move(titleText));
    stack.push_back(std::move(valueText));
}

} // namespace

platform::Json ZentariInfoViewModel::encode() const {
    const auto& push = moduleIdentities.push;
    Json pushJson = {{"applicationId", push.applicationId},
                     {"installationId", push.installationId},
                     {"customProperties",
                      {{"deviceId", push.customProperties.deviceId}, {"tags", push.customProperties.tags}}}};
    if (push.profileId) pushJson["profileId"] = *push.profileId;
    return Json{{"registrationId", registrationId},
                {"platformType", platformType},
                {"moduleIdentities", {{"push", pushJson}}}};
}

std::optional<ZentariInfoViewModel> ZentariInfoViewModelFactory::model(const std::string& json) const {
    const auto parsed = platform::parseJson(json);
    if (!parsed || !parsed->is_object()) return std::nullopt;
    auto registrationId = requiredString(*parsed, "registrationId");
    auto platformType = requiredString(*parsed, "platformType");
    const auto* identities = requiredObject(*parsed, "moduleIdentities");
    const auto* pushJson = identities ? requiredObject(*identities, "push") : nullptr;
    if (!registrationId || !platformType || pushJson == nullptr) return std::nullopt;
    auto push = decodePush(*pushJson);
    if (!push) return std::nullopt;
    return ZentariInfoViewModel{std::move(*registrationId), std::move(*platformType),
                                ZentariInfoIdentitiesViewModel{std::move(*push)}};
}

std::string ZentariInfoView::deviceTokenText() {
    return platform::zentari::VQZTSdk::mp()->deviceToken().value_or(kNotSet);
}

std::string ZentariInfoView::deviceIdText() {
    return platform::zentari::VQZTSdk::mp()->deviceIdentifier().value_or(kNotSet);
}

std::string ZentariInfoView::configurationText() {
    const auto selection = ZentariProvisionSelectionStore().selection();
    const auto text = selection ? selection->asJSON() : std::nullopt;
    return text.value_or(kInvalidConfiguration);
}

std::string ZentariInfoView::contactKeyText() {
    const auto model = ZentariInfoViewModelFactory().model(platform::zentari::VQZTSdk::identity()->toJson());
    if (!model || !model->moduleIdentities.push.profileId) return kNotSet;
    return *model->moduleIdentities.push.profileId;
}

void ZentariInfoView::triggerPushPermission() {
    const auto url = platform::Url::parse(ZentariPushManager::kPushPermissionURL);
    if (!url) return;
    const auto manager = AppContext::current()->mktPushManager();
    if (!manager) return;
    manager->vqzt_handleURL(*url, "URL");
}

Node ZentariInfoView::body() const {
    std::vector<Node> stack;
    stack.push_back(Node::button(localized("Dismiss"), platform::ui::dismissAction()));
    stack.push_back(Node::spacer().frame(platform::ui::kScreenSize.width, std::nullopt));
    appendRow(stack, "Device Token:", deviceTokenText());
    appendRow(stack, "Device ID:", deviceIdText());
    appendRow(stack, "Configuration:", configurationText(), std::nullopt);
    appendRow(stack, "Contact Key:", contactKeyText());
    stack.push_back(Node::button(localized("Trigger Push Permission"), [] { triggerPushPermission(); }));
    stack.push_back(Node::spacer().frame(platform::ui::kScreenSize.width, std::nullopt));
    return Node::vstack(std::move(stack));
}

std::shared_ptr<ZentariInfoViewController> ZentariInfoViewController::create(ZentariInfoView rootView) {
    return std::shared_ptr<ZentariInfoViewController>(new ZentariInfoViewController(rootView));
}

} // namespace vellicor
