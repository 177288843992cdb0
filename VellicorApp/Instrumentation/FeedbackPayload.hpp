#pragma once

#include <string>
#include <vector>

namespace vellicor {

/// What the feedback screens collect for the mail.
struct FeedbackPayload {
    /// The options the user ticked, in the order the screens give them.
    std::vector<std::string> feedbackOptions;
    /// The user's comment.
    std::string userInput;
    /// The user agrees to be contacted for research.
    bool contactMe = false;
};

} // namespace vellicor
