#include "VellicorApp/Community/CommunityConfigList.hpp"

namespace vellicor {

std::shared_ptr<CommunityConfigList> CommunityConfigList::create() {
    return std::shared_ptr<CommunityConfigList>(new CommunityConfigList());
}

std::shared_ptr<CommunityConfigList> CommunityConfigList::decode(const platform::Json& json) {
    auto list = create();
    const auto* entries = platform::jsonArray(json, "communities");
    if (entries == nullptr) return list;
    std::vector<std::shared_ptr<CommunityConfigModel>> models;
    models.reserve(entries->size());
    for (const auto& entry : *entries) {
        auto model = CommunityConfigModel::decode(entry);
        if (!model) return list;
        models.push_back(std::move(*model));
    }
    list->communities = std::move(models);
    return list;
}

platform::Json CommunityConfigList::encode() const {
    auto entries = platform::Json::array();
    for (const auto& model : communities.get()) entries.push_back(model->encode());
    return platform::Json{{"communities", std::move(entries)}};
}

void CommunityConfigList::add(std::shared_ptr<CommunityConfigModel> model) {
    communities.modify([&model](auto& models) { models.push_back(std::move(model)); });
}

void CommunityConfigList::remove(const std::set<std::size_t>& positions) {
    communities.modify([&positions](auto& models) {
        std::vector<std::shared_ptr<CommunityConfigModel>> kept;
        kept.reserve(models.size());
        for (std::size_t index = 0; index < models.size(); ++index) {
            if (!positions.contains(index)) kept.push_back(std::move(models[index]));
        }
        models = std::move(kept);
    });
}

} // namespace vellicor
