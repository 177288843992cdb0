#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/UI/Color.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/WebView.hpp"
#include "Platform/Web/WebsiteDataStore.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::web {

class SafariViewController;

/// How the in-app browser shows its page.
struct PLATFORM_EXPORT SafariViewControllerConfiguration {
    bool entersReaderIfAvailable = false;
    bool barCollapsingEnabled = true;
};

/// What the in-app browser tells the app. Held weakly; main thread.
class PLATFORM_EXPORT SafariViewControllerDelegate {
public:
    virtual ~SafariViewControllerDelegate() = default;
    /// The user closed the browser (after it was dismissed).
    virtual void safariViewControllerDidFinish(SafariViewController& /*controller*/) {}
    /// The first page loaded, or failed to.
    virtual void didCompleteInitialLoad(SafariViewController& /*controller*/, bool /*didLoadSuccessfully*/) {}
    /// A server redirect of the first page.
    virtual void initialLoadDidRedirectTo(SafariViewController& /*controller*/, const Url& /*url*/) {}
};

/// The system's in-app browser: a screen that shows one web address with its
/// own browser chrome (the address, the page title and a Done button). The app
/// cannot reach into its page: the page runs with a cookie jar of its own (not
/// the app's web view cookies) and posts no messages to the app. Every browser
/// shown is recorded (presentedURLs()).
class PLATFORM_EXPORT SafariViewController : public ui::ViewController {
public:
    using Configuration = SafariViewControllerConfiguration;
    enum class DismissButtonStyle { done, close, cancel };

    /// A browser for an http or https URL. Any other scheme stops the app, as on
    /// the platform: "The specified URL has an unsupported scheme. Only HTTP and
    /// HTTPS URLs are supported."
    static std::shared_ptr<SafariViewController> create(const Url& url, Configuration configuration = {});

    /// A copy of the configuration the browser was made with: changing it does
    /// not change the browser.
    Configuration configuration() const { return configuration_; }
    /// The address the browser was made with.
    const Url& url() const { return url_; }
    /// The address of the page the browser shows now (none before it loaded one).
    std::optional<Url> currentURL() const;
    std::string pageTitle() const;

    std::shared_ptr<SafariViewControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<SafariViewControllerDelegate>& delegate) { delegate_ = delegate; }
    DismissButtonStyle dismissButtonStyle = DismissButtonStyle::done;
    std::optional<ui::Color> preferredBarTintColor;
    std::optional<ui::Color> preferredControlTintColor;

    /// Every address a browser was shown with (its view loaded), oldest first,
    /// since the sandbox was set.
    static std::vector<Url> presentedURLs();
    /// The browsers' own cookie jar (one per sandbox, kept in memory).
    static std::shared_ptr<WebsiteDataStore> dataStore();

    std::string typeName() const override { return "SafariViewController"; }
    void loadView() override;
    void viewDidLoad() override;

protected:
    SafariViewController(Url url, Configuration configuration);

private:
    class PageObserver;
    Url url_;
    Configuration configuration_;
    std::weak_ptr<SafariViewControllerDelegate> delegate_;
    std::shared_ptr<WebView> webView_; // the page, off the app's view tree
    std::shared_ptr<PageObserver> pageObserver_;
};

} // namespace platform::web
