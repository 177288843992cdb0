#include "VellicorApp/Community/CommunityConfigModel.hpp"

#include "VellicorApp/Community/ZentariProvisionSelectionStore.hpp"
#include "VellicorApp/Core/DecodingError.hpp"

#include "Platform/Foundation/Text.hpp"

#include <functional>

namespace vellicor {

namespace {

constexpr const char* kSlashSEnding = "/s/";

std::string replacingOccurrences(std::string text, std::string_view target) {
    for (auto at = text.find(target); at != std::string::npos; at = text.find(target, at)) {
        text.erase(at, target.size());
    }
    return text;
}

/// The last three user-perceived characters (the whole text when shorter).
std::string lastThreeCharacters(std::string_view text) {
    const auto characters = platform::characters(text);
    if (characters.size() <= 3) return std::string(text);
    const auto first = characters[characters.size() - 3];
    return std::string(text.substr(static_cast<std::size_t>(first.data() - text.data())));
}

std::expected<platform::Url, platform::Error> decodeURL(const platform::Json& json, const char* key) {
    const auto* value = platform::jsonValue(json, key);
    if (value == nullptr || value->is_null()) {
        return std::unexpected(decodingError(DecodingErrorCode::valueNotFound, std::string("No value for key \"") + key + "\"."));
    }
    const auto text = platform::asString(*value);
    if (!text) {
        return std::unexpected(
            decodingError(DecodingErrorCode::dataCorrupted, std::string("Expected a string for key \"") + key + "\"."));
    }
    auto url = platform::Url::parse(*text);
    if (!url || text->empty()) {
        return std::unexpected(decodingError(DecodingErrorCode::dataCorrupted, "Invalid URL string: " + *text));
    }
    return std::move(*url);
}

std::expected<std::optional<bool>, platform::Error> decodeOptionalBool(const platform::Json& json, const char* key) {
    const auto* value = platform::jsonValue(json, key);
    if (value == nullptr || value->is_null()) return std::optional<bool>();
    const auto flag = platform::asBool(*value);
    if (!flag) {
        return std::unexpected(
            decodingError(DecodingErrorCode::dataCorrupted, std::string("Expected a Boolean for key \"") + key + "\"."));
    }
    return flag;
}

} // namespace

CommunityConfigModel::CommunityConfigModel(platform::Url loginHost, platform::Url unauthenticatedStartPage,
                                           std::optional<std::string> label, bool isSlashSCommunity,
                                           bool isPlexaCommunity)
    : loginHost(*this, std::move(loginHost)),
      unauthenticatedStartPage(*this, std::move(unauthenticatedStartPage)),
      label(*this, std::move(label)),
      isSlashSCommunity(*this, isSlashSCommunity),
      isPlexaCommunity(*this, isPlexaCommunity) {}

std::shared_ptr<CommunityConfigModel> CommunityConfigModel::create(const std::optional<platform::Url>& loginHostURL,
                                                                   const platform::Url& unauthenticatedStartPage,
                                                                   std::optional<std::string> label,
                                                                   bool isSlashSCommunity, bool isPlexaCommunity) {
    if (unauthenticatedStartPage.scheme() != "https") return nullptr;

    const auto startPageText = unauthenticatedStartPage.absoluteString();
    const bool endsInSlashS = lastThreeCharacters(startPageText) == kSlashSEnding;
    if (isSlashSCommunity != endsInSlashS) return nullptr;

    std::optional<platform::Url> loginHost;
    if (loginHostURL && !loginHostURL->absoluteString().empty()) {
        loginHost = loginHostURL;
    } else {
        const auto derived = replacingOccurrences(replacingOccurrences(startPageText, "https://"), kSlashSEnding);
        if (derived.empty()) return nullptr;
        loginHost = platform::Url::parse(derived);
        if (!loginHost) return nullptr;
    }
    return std::shared_ptr<CommunityConfigModel>(new CommunityConfigModel(
        std::move(*loginHost), unauthenticatedStartPage, std::move(label), isSlashSCommunity, isPlexaCommunity));
}

std::expected<std::shared_ptr<CommunityConfigModel>, platform::Error> CommunityConfigModel::decode(
    const platform::Json& json) {
    if (!json.is_object()) {
        return std::unexpected(decodingError(DecodingErrorCode::dataCorrupted, "Expected a dictionary."));
    }
    auto loginHost = decodeURL(json, "loginHost");
    if (!loginHost) return std::unexpected(loginHost.error());
    auto startPage = decodeURL(json, "unauthenticatedStartPage");
    if (!startPage) return std::unexpected(startPage.error());

    std::optional<std::string> label;
    if (const auto* value = platform::jsonValue(json, "label"); value != nullptr && !value->is_null()) {
        label = platform::asString(*value);
        if (!label) return std::unexpected(decodingError(DecodingErrorCode::dataCorrupted, "Expected a string for key \"label\"."));
    }
    const auto slashS = decodeOptionalBool(json, "isSlashSCommunity");
    if (!slashS) return std::unexpected(slashS.error());
    const auto plexa = decodeOptionalBool(json, "isPlexaCommunity");
    if (!plexa) return std::unexpected(plexa.error());

    return std::shared_ptr<CommunityConfigModel>(new CommunityConfigModel(
        std::move(*loginHost), std::move(*startPage), std::move(label), slashS->value_or(true), plexa->value_or(false)));
}

platform::Json CommunityConfigModel::encode() const {
    auto json = platform::Json::object();
    json["loginHost"] = loginHost.get().absoluteString();
    json["unauthenticatedStartPage"] = unauthenticatedStartPage.get().absoluteString();
    if (label.get()) json["label"] = *label.get();
    json["isSlashSCommunity"] = isSlashSCommunity.get();
    json["isPlexaCommunity"] = isPlexaCommunity.get();
    return json;
}

void CommunityConfigModel::update(const CommunityConfigModel& other) {
    loginHost = other.loginHost.get();
    unauthenticatedStartPage = other.unauthenticatedStartPage.get();
    label = other.label.get();
    if (const auto& name = other.label.get()) {
        ZentariProvisionSelectionStore().applyProvision(*name);
    }
}

bool CommunityConfigModel::operator==(const CommunityConfigModel& other) const {
    return loginHost.get() == other.loginHost.get() &&
           unauthenticatedStartPage.get() == other.unauthenticatedStartPage.get() &&
           isSlashSCommunity.get() == other.isSlashSCommunity.get() &&
           isPlexaCommunity.get() == other.isPlexaCommunity.get();
}

std::size_t CommunityConfigModel::hashValue() const {
    std::size_t seed = 0;
    const auto combine = [&seed](std::size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
    combine(std::hash<std::string>{}(loginHost.get().absoluteString()));
    combine(std::hash<std::string>{}(unauthenticatedStartPage.get().absoluteString()));
    combine(std::hash<bool>{}(isSlashSCommunity.get()));
    combine(std::hash<bool>{}(isPlexaCommunity.get()));
    return seed;
}

} // namespace vellicor
