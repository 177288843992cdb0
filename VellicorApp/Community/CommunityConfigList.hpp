#pragma once

#include "VellicorApp/Community/CommunityConfigModel.hpp"

#include "Platform/Foundation/Json.hpp"
#include "Platform/UI/Declarative.hpp"

#include <cstddef>
#include <memory>
#include <set>
#include <vector>

namespace vellicor {

/// The sites a user added, in the order they were added. Observable: a
/// change of `communities` sends objectWillChange() first. Main thread only.
class CommunityConfigList : public platform::ui::ObservableObject {
public:
    /// An empty list.
    static std::shared_ptr<CommunityConfigList> create();
    /// The list of its JSON object {"communities": [...]}. Never fails: a value
    /// that is no such object, or whose array holds one model that does not
    /// decode, gives an empty list.
    static std::shared_ptr<CommunityConfigList> decode(const platform::Json& json);
    platform::Json encode() const;

    /// Appends a model at the end; duplicates are not checked.
    void add(std::shared_ptr<CommunityConfigModel> model);
    /// Removes the models at the given positions, keeping the order of the
    /// rest; positions past the end are ignored.
    void remove(const std::set<std::size_t>& positions);

    platform::ui::Published<std::vector<std::shared_ptr<CommunityConfigModel>>> communities;

private:
    CommunityConfigList() : communities(*this, {}) {}
};

} // namespace vellicor
