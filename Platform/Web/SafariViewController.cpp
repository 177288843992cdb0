#include "Platform/Web/SafariViewController.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/ViewDump.hpp"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace platform::web {

namespace {

struct BrowserRecords {
    std::mutex mutex;
    std::uint64_t generation = 0;
    std::vector<Url> presented;
    std::shared_ptr<WebsiteDataStore> store;

    /// Starts afresh when the sandbox changed (a fresh install, the next test).
    void refresh() {
        const auto current = Sandbox::generation();
        if (!store || generation != current) {
            generation = current;
            presented.clear();
            store = WebsiteDataStore::nonPersistent();
        }
    }
};

BrowserRecords& records() {
    static BrowserRecords instance;
    return instance;
}

/// The browser's screen: its address, the page's title and the Done button.
class SafariView : public ui::View {
public:
    std::weak_ptr<SafariViewController> controller;

    std::string typeName() const override { return "SafariView"; }

    void describeState(std::vector<std::string>& parts) const override {
        if (auto browser = controller.lock()) {
            parts.push_back("url=" + browser->currentURL().value_or(browser->url()).absoluteString());
            auto title = browser->pageTitle();
            if (!title.empty()) {
                parts.push_back("title=" + ui::dumpQuoted(title));
            }
        }
        View::describeState(parts);
    }

protected:
    explicit SafariView(ui::Rect frame) : View(frame) {}
};

std::string dismissTitle(SafariViewController::DismissButtonStyle style) {
    switch (style) {
    case SafariViewController::DismissButtonStyle::close: return "Close";
    case SafariViewController::DismissButtonStyle::cancel: return "Cancel";
    case SafariViewController::DismissButtonStyle::done: break;
    }
    return "Done";
}

} // namespace

/// Follows the browser's first page for its delegate.
class SafariViewController::PageObserver : public NavigationDelegate {
public:
    explicit PageObserver(std::weak_ptr<SafariViewController> browser) : browser_(std::move(browser)) {}

    void decidePolicyForNavigationAction(WebView&, const NavigationAction& action,
                                         std::function<void(NavigationActionPolicy)> decisionHandler) override {
        // Every link inside the browser opens in it.
        requested_ = action.request.url;
        decisionHandler(NavigationActionPolicy::allow);
    }

    void didReceiveServerRedirectForProvisionalNavigation(WebView&, const std::shared_ptr<Navigation>&) override {
        auto browser = browser_.lock();
        if (!browser || initialLoadDone_ || !requested_) {
            return;
        }
        if (auto delegate = browser->delegate()) {
            delegate->initialLoadDidRedirectTo(*browser, *requested_);
        }
    }
    void didFinish(WebView&, const std::shared_ptr<Navigation>&) override { initialLoad(true); }
    void didFailProvisionalNavigation(WebView&, const std::shared_ptr<Navigation>&, const Error&) override {
        initialLoad(false);
    }
    void didFail(WebView&, const std::shared_ptr<Navigation>&, const Error&) override { initialLoad(false); }

private:
    void initialLoad(bool success) {
        if (initialLoadDone_) {
            return;
        }
        initialLoadDone_ = true;
        if (auto browser = browser_.lock()) {
            if (auto delegate = browser->delegate()) {
                delegate->didCompleteInitialLoad(*browser, success);
            }
        }
    }

    std::weak_ptr<SafariViewController> browser_;
    std::optional<Url> requested_; // the request of the last action: after a redirect, its target
    bool initialLoadDone_ = false;
};

std::shared_ptr<SafariViewController> SafariViewController::create(const Url& url, Configuration configuration) {
    auto scheme = url.absoluteURL().scheme().value_or("");
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (scheme != "http" && scheme != "https") {
        fatalError("The specified URL has an unsupported scheme. Only HTTP and HTTPS URLs are supported.");
    }
    return ui::makeController<SafariViewController>(url, configuration);
}

SafariViewController::SafariViewController(Url url, Configuration configuration)
    : url_(std::move(url)), configuration_(configuration) {}

std::optional<Url> SafariViewController::currentURL() const { return webView_ ? webView_->url() : std::nullopt; }

std::string SafariViewController::pageTitle() const { return webView_ ? webView_->title() : std::string(); }

std::vector<Url> SafariViewController::presentedURLs() {
    auto& r = records();
    std::lock_guard lock(r.mutex);
    r.refresh();
    return r.presented;
}

std::shared_ptr<WebsiteDataStore> SafariViewController::dataStore() {
    auto& r = records();
    std::lock_guard lock(r.mutex);
    r.refresh();
    return r.store;
}

void SafariViewController::loadView() {
    auto root = ui::makeView<SafariView>(ui::Rect{{0, 0}, ui::kScreenSize});
    root->controller = std::static_pointer_cast<SafariViewController>(shared_from_this());
    root->backgroundColor = ui::Color::white();
    auto done = ui::Button::create();
    done->setTitle(dismissTitle(dismissButtonStyle));
    std::weak_ptr<SafariViewController> weak = std::static_pointer_cast<SafariViewController>(shared_from_this());
    done->addAction(ui::ControlEvent::touchUpInside, [weak] {
        auto browser = weak.lock();
        if (!browser) {
            return;
        }
        browser->dismiss(true, [weak] {
            if (auto closed = weak.lock()) {
                if (auto delegate = closed->delegate()) {
                    delegate->safariViewControllerDidFinish(*closed);
                }
            }
        });
    });
    root->addSubview(done);
    setView(root);
}

void SafariViewController::viewDidLoad() {
    {
        auto& r = records();
        std::lock_guard lock(r.mutex);
        r.refresh();
        r.presented.push_back(url_);
    }
    auto configuration = WebViewConfiguration::create();
    configuration->websiteDataStore = dataStore();
    configuration->applicationNameForUserAgent = "Mobile/15E148 Safari/604.1";
    webView_ = WebView::create(ui::Rect{{0, 0}, ui::kScreenSize}, configuration);
    pageObserver_ = std::make_shared<PageObserver>(std::static_pointer_cast<SafariViewController>(shared_from_this()));
    webView_->setNavigationDelegate(pageObserver_);
    webView_->load(HttpRequest(url_));
}

} // namespace platform::web
