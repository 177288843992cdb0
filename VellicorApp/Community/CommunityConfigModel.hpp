#pragma once

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/UI/Declarative.hpp"

#include <cstddef>
#include <expected>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// One community site the app can show: the login host handed to the SDK,
/// the page opened before sign-in, an optional label, and whether the site's
/// pages live under "/s/" and whether it runs on the newer web runtime.
///
/// Observable: every write of a property sends objectWillChange() before the
/// value changes. Main thread only.
class CommunityConfigModel : public platform::ui::ObservableObject {
public:
    /// A site from user input; null when the start page is not "https", or
    /// when its ending disagrees with `isSlashSCommunity` (a "/s/" site must
    /// end in "/s/", any other must not). Without a login host (or with an
    /// empty one) the login host is the start page without "https://" and
    /// without every "/s/"; null when that is no URL.
    static std::shared_ptr<CommunityConfigModel> create(const std::optional<platform::Url>& loginHostURL,
                                                        const platform::Url& unauthenticatedStartPage,
                                                        std::optional<std::string> label, bool isSlashSCommunity,
                                                        bool isPlexaCommunity);

    /// The model of its JSON object; a decoding error (Cocoa domain) when a
    /// required key is missing, a value has the wrong type or a URL does not
    /// parse. "isSlashSCommunity" defaults to true, "isPlexaCommunity" to false.
    static std::expected<std::shared_ptr<CommunityConfigModel>, platform::Error> decode(const platform::Json& json);
    /// The JSON object; "label" only when there is one.
    platform::Json encode() const;

    /// Shows another site: takes its login host, start page and label (also
    /// an absent one) but keeps this model's two flags. When the other site
    /// has a label, the marketing-push provisioning entry of that name becomes
    /// the selected one.
    void update(const CommunityConfigModel& other);

    /// Equal login hosts, start pages (as written) and flags; the label takes no part.
    bool operator==(const CommunityConfigModel& other) const;
    /// Equal models hash alike.
    std::size_t hashValue() const;

    platform::ui::Published<platform::Url> loginHost;
    platform::ui::Published<platform::Url> unauthenticatedStartPage;
    platform::ui::Published<std::optional<std::string>> label;
    platform::ui::Published<bool> isSlashSCommunity;
    platform::ui::Published<bool> isPlexaCommunity;

private:
    CommunityConfigModel(platform::Url loginHost, platform::Url unauthenticatedStartPage,
                         std::optional<std::string> label, bool isSlashSCommunity, bool isPlexaCommunity);
};

} // namespace vellicor
