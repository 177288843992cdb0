#pragma once

#include "Platform/Foundation/Dispatch.hpp"

#include <functional>

namespace platform::system {

/// Gives a system answer on a worker thread of a global queue, as the
/// platform does, counted as work in flight until it returns so that scripted
/// runs wait for it.
inline void answerOnWorker(std::function<void()> block, QoS qos = QoS::userInitiated) {
    BackgroundActivity::begin();
    DispatchQueue::global(qos)->async([block = std::move(block)] {
        if (block) block();
        BackgroundActivity::end();
    });
}

} // namespace platform::system
