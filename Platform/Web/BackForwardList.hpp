#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Url.hpp"

#include <memory>
#include <string>
#include <vector>

namespace platform::web {

/// A page the web view has shown: its URL, the URL first asked for (before
/// redirects) and its title. Back and forward navigations bring it back from
/// the view's page cache, without asking the server again.
class PLATFORM_EXPORT BackForwardListItem {
public:
    BackForwardListItem(Url url, Url initialURL, std::string title, std::string document, std::string mimeType)
        : url_(std::move(url)), initialURL_(std::move(initialURL)), title_(std::move(title)),
          document_(std::move(document)), mimeType_(std::move(mimeType)) {}

    const Url& url() const { return url_; }
    const Url& initialURL() const { return initialURL_; }
    const std::string& title() const { return title_; }

    /// The page as it was shown (the document text and its content type).
    const std::string& document() const { return document_; }
    const std::string& mimeType() const { return mimeType_; }

private:
    Url url_;
    Url initialURL_;
    std::string title_;
    std::string document_;
    std::string mimeType_;
};

/// The pages of a web view in the order they were visited, and where the view
/// stands among them.
class PLATFORM_EXPORT BackForwardList {
public:
    std::shared_ptr<BackForwardListItem> currentItem() const { return item(0); }
    std::shared_ptr<BackForwardListItem> backItem() const { return item(-1); }
    std::shared_ptr<BackForwardListItem> forwardItem() const { return item(1); }
    /// The item at an offset from the current one (negative: back); none beyond the list.
    std::shared_ptr<BackForwardListItem> item(int index) const;
    /// The pages behind the current one, oldest first.
    std::vector<std::shared_ptr<BackForwardListItem>> backList() const;
    /// The pages ahead of the current one, the next first.
    std::vector<std::shared_ptr<BackForwardListItem>> forwardList() const;

    // Kept by the web view ---------------------------------------------------
    /// A new page: the forward pages are dropped and the item becomes current.
    void push(std::shared_ptr<BackForwardListItem> item);
    /// The current page shown again (reloaded): the item replaces it.
    void replaceCurrent(std::shared_ptr<BackForwardListItem> item);
    /// Makes an item of the list the current one; false when it is not in the list.
    bool moveTo(const std::shared_ptr<BackForwardListItem>& item);

private:
    std::vector<std::shared_ptr<BackForwardListItem>> items_;
    long current_ = -1;
};

} // namespace platform::web
