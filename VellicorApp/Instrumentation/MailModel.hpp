#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vellicor {

/// The content of a mail the app offers to send: recipients, subject and a
/// plain-text body. Filled by the feedback mail and the URL-rule export.
struct MailModel {
    std::vector<std::string> mailTo;
    std::optional<std::vector<std::string>> mailCc;
    std::optional<std::vector<std::string>> mailBcc;
    std::optional<std::string> subject;
    std::optional<std::string> body;
};

} // namespace vellicor
