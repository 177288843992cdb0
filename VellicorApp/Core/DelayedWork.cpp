#include "VellicorApp/Core/DelayedWork.hpp"

#include <algorithm>
#include <utility>

namespace vellicor {

DelayedWork::~DelayedWork() { cancelAll(); }

void DelayedWork::after(double seconds, std::function<void()> block) {
    // Items that have run (the queue let go of them) are forgotten here, so
    // a long-lived owner does not collect them.
    std::erase_if(items_, [](const auto& item) { return item.expired(); });
    auto item = platform::WorkItem::create(std::move(block));
    items_.push_back(item);
    platform::MainQueue::asyncAfter(seconds, std::move(item));
}

void DelayedWork::cancelAll() {
    // Taken out first: a cancelled block never runs, but the list is left
    // empty even when cancelling is asked for from inside one of the blocks.
    const auto items = std::exchange(items_, {});
    for (const auto& weak : items) {
        if (const auto item = weak.lock()) item->cancel();
    }
}

bool DelayedWork::hasPendingWork() const {
    return std::ranges::any_of(items_, [](const auto& weak) {
        const auto item = weak.lock();
        return item && !item->isCancelled();
    });
}

} // namespace vellicor
