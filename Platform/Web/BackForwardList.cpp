#include "Platform/Web/BackForwardList.hpp"

#include <algorithm>

namespace platform::web {

std::shared_ptr<BackForwardListItem> BackForwardList::item(int index) const {
    if (current_ < 0) {
        return nullptr;
    }
    const long position = current_ + index;
    if (position < 0 || position >= static_cast<long>(items_.size())) {
        return nullptr;
    }
    return items_[static_cast<std::size_t>(position)];
}

std::vector<std::shared_ptr<BackForwardListItem>> BackForwardList::backList() const {
    if (current_ <= 0) {
        return {};
    }
    return {items_.begin(), items_.begin() + current_};
}

std::vector<std::shared_ptr<BackForwardListItem>> BackForwardList::forwardList() const {
    if (current_ < 0) {
        return {};
    }
    return {items_.begin() + current_ + 1, items_.end()};
}

void BackForwardList::push(std::shared_ptr<BackForwardListItem> item) {
    items_.erase(items_.begin() + (current_ + 1), items_.end());
    items_.push_back(std::move(item));
    current_ = static_cast<long>(items_.size()) - 1;
}

void BackForwardList::replaceCurrent(std::shared_ptr<BackForwardListItem> item) {
    if (current_ < 0) {
        push(std::move(item));
        return;
    }
    items_[static_cast<std::size_t>(current_)] = std::move(item);
}

bool BackForwardList::moveTo(const std::shared_ptr<BackForwardListItem>& item) {
    auto found = std::find(items_.begin(), items_.end(), item);
    if (found == items_.end()) {
        return false;
    }
    current_ = found - items_.begin();
    return true;
}

} // namespace platform::web
