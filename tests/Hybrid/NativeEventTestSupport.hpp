#pragma once

// Support for the native-event tests: a community screen that records what
// it is asked, a REST service whose answers the test gives one by one, and a
// window that shows the screen with the interface files registered.

#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Hybrid/EventHandling.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"
#include "VellicorApp/Interface/InterfaceResources.hpp"
#include "VellicorApp/Interface/ProgressView.hpp"

#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/PreviewController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/Shell/AppTestSupport.hpp"
#include "tests/Shell/RecordingMarkerCenter.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace nativeeventtest {

/// A community screen that records the URLs it is asked to open.
class FakeScreen : public platform::ui::ViewController, public vellicor::CommunityViewControllable {
public:
    std::vector<platform::Url> openedURLs;

    std::string typeName() const override { return "FakeScreen"; }
    std::shared_ptr<vellicor::CommunityViewControllerDelegate> hybridAppDelegate() const override { return nullptr; }
    void setHybridAppDelegate(const std::shared_ptr<vellicor::CommunityViewControllerDelegate>&) override {}
    vellicor::State state() const override { return vellicor::State::pageLoaded; }
    std::shared_ptr<platform::web::WebView> hybridAppWebView() const override { return nullptr; }
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridWebViewConfig() const override { return nullptr; }
    void openURL(const platform::Url& url) override { openedURLs.push_back(url); }
    void openRecord(const std::string&) override {}
    void refreshNotifications() override {}
    void sendKORVALogs() override {}
    void refreshUserCredentials(const std::optional<platform::Url>&,
                                std::function<void(std::optional<std::string>, std::optional<platform::Error>)>) override {}

protected:
    FakeScreen() : vellicor::CommunityViewControllable(*this) {}
};

/// A REST service that keeps every request until the test answers it.
class PendingRestService : public vellicor::NetworkServicing {
public:
    struct Request {
        std::string path;
        vellicor::NetworkCompletion<platform::Json> json;
        vellicor::NetworkCompletion<platform::Data> data;
        vellicor::NetworkCompletion<std::filesystem::path> download;
        platform::HttpDownloadDestination destination;
    };

    void executeRequest(const platform::veltrane::VQRestRequest& request,
                        vellicor::NetworkCompletion<platform::Json> completion) override {
        std::lock_guard lock(mutex_);
        pending_.push_back({request.path, std::move(completion), {}, {}, {}});
    }
    void executeDataRequest(const platform::veltrane::VQRestRequest& request,
                            vellicor::NetworkCompletion<platform::Data> completion) override {
        std::lock_guard lock(mutex_);
        pending_.push_back({request.path, {}, std::move(completion), {}, {}});
    }
    std::shared_ptr<platform::veltrane::VQRestTask>
    executeDownloadRequest(const platform::veltrane::VQRestRequest& request,
                           platform::HttpDownloadDestination destination,
                           vellicor::NetworkCompletion<std::filesystem::path> completion) override {
        std::lock_guard lock(mutex_);
        pending_.push_back({request.path, {}, {}, std::move(completion), std::move(destination)});
        return nullptr;
    }

    /// Takes the oldest request whose path holds `part`; none when there is none.
    std::optional<Request> take(const std::string& part) {
        std::lock_guard lock(mutex_);
        for (auto it = pending_.begin(); it != pending_.end(); ++it) {
            if (it->path.find(part) == std::string::npos) continue;
            auto request = std::move(*it);
            pending_.erase(it);
            return request;
        }
        return std::nullopt;
    }
    std::size_t pendingCount() {
        std::lock_guard lock(mutex_);
        return pending_.size();
    }

private:
    std::mutex mutex_;
    std::vector<Request> pending_;
};

/// A file record "091…" with its latest version "092…" (same digits).
struct FileRecord {
    std::string documentID;
    std::string versionID;
    std::string title;

    platform::Json metadata() const {
        return {{"Id", documentID},           {"Title", title},
                {"FileType", "PDF"},          {"FileExtension", "pdf"},
                {"LatestPublishedVersionId", versionID}, {"LastModifiedDate", "2026-01-01T00:00:00.000Z"}};
    }
    std::string fileName() const { return title + "_" + versionID + ".pdf"; }
};

inline FileRecord fileRecord(int number, std::string title) {
    auto digits = std::to_string(number);
    digits = std::string(12 - digits.size(), '0') + digits + "AAA";
    return FileRecord{"091" + digits, "092" + digits, std::move(title)};
}

/// The answers a page received.
struct Answers {
    std::vector<vellicor::NativeEventResult> received;
    vellicor::NativeEventCompletion completion() {
        return [this](vellicor::NativeEventResult result) { received.push_back(std::move(result)); };
    }
};

/// The overlays on the screen.
inline std::vector<std::shared_ptr<vellicor::ProgressView>> overlays(FakeScreen& screen) {
    std::vector<std::shared_ptr<vellicor::ProgressView>> found;
    for (const auto& view : screen.view()->subviews()) {
        if (auto overlay = std::dynamic_pointer_cast<vellicor::ProgressView>(view)) found.push_back(overlay);
    }
    return found;
}

/// The controllers presented over the screen, bottom first.
inline std::vector<std::shared_ptr<platform::ui::ViewController>> presented(const FakeScreen& screen) {
    std::vector<std::shared_ptr<platform::ui::ViewController>> chain;
    for (auto controller = screen.presentedViewController(); controller;
         controller = controller->presentedViewController()) {
        chain.push_back(controller);
    }
    return chain;
}

/// The front-most controller over the screen when it is a file preview.
inline std::shared_ptr<platform::ui::PreviewController> topPreview(const FakeScreen& screen) {
    const auto chain = presented(screen);
    return chain.empty() ? nullptr : std::dynamic_pointer_cast<platform::ui::PreviewController>(chain.back());
}

/// Shows the screen in a new key window, with the interface files registered.
inline std::shared_ptr<platform::ui::Window> showInWindow(const std::shared_ptr<FakeScreen>& screen) {
    platform::ui::Storyboard::resetRegistry();
    vellicor::registerInterfaceResources();
    auto window = platform::ui::Window::create();
    window->setRootViewController(screen);
    window->makeKeyAndVisible();
    testsupport::pump();
    return window;
}

/// A running context with a recording marker centre and the pending REST
/// service; the fake screen shown in a key window; the interface files
/// registered.
class NativeEventTest : public apptest::AppTest {
protected:
    void SetUp() override {
        markers = std::make_shared<apptest::RecordingMarkerCenter>();
        context = apptest::installContext(apptest::installContext(apptest::sampleResources()), markers);
        context->setNetworkService(rest);
        screen = platform::ui::makeController<FakeScreen>();
        window = showInWindow(screen);
    }

    void TearDown() override {
        platform::ui::Window::resetAll();
        platform::ui::Storyboard::resetRegistry();
        apptest::AppTest::TearDown();
    }

    /// Answers the record's metadata request, then its content request, as
    /// the REST client would on a worker thread.
    void serveFile(const FileRecord& record, const std::string& bytes = "%PDF-1.4") {
        auto metadata = rest->take(record.documentID);
        ASSERT_TRUE(metadata) << record.documentID;
        std::thread([&] { metadata->json(record.metadata(), std::nullopt); }).join();
        auto content = rest->take(record.versionID);
        ASSERT_TRUE(content) << record.versionID;
        // Downloads arrive as a file of the destination's folder.
        const auto file = content->destination.directory / ".download-test";
        ASSERT_TRUE(platform::writeFileAtomically(file, platform::dataFromString(bytes)));
        std::thread([&] { content->download(file, std::nullopt); }).join();
        testsupport::pump();
    }

    /// Fails the record's metadata request with `error`.
    void failFile(const FileRecord& record, const platform::Error& error) {
        auto metadata = rest->take(record.documentID);
        ASSERT_TRUE(metadata) << record.documentID;
        std::thread([&] { metadata->json(std::unexpected(error), std::nullopt); }).join();
        testsupport::pump();
    }

    /// Lets the overlay finish and the preview come in.
    static void settle() {
        testsupport::pump();
        testsupport::advance(1);
        testsupport::pump();
    }

    std::vector<std::shared_ptr<vellicor::ProgressView>> overlays() const { return nativeeventtest::overlays(*screen); }
    std::vector<std::shared_ptr<platform::ui::ViewController>> presented() const {
        return nativeeventtest::presented(*screen);
    }
    std::shared_ptr<platform::ui::PreviewController> topPreview() const { return nativeeventtest::topPreview(*screen); }

    std::shared_ptr<apptest::RecordingMarkerCenter> markers;
    std::shared_ptr<vellicor::Context> context;
    std::shared_ptr<PendingRestService> rest = std::make_shared<PendingRestService>();
    std::shared_ptr<FakeScreen> screen;
    std::shared_ptr<platform::ui::Window> window;
};

} // namespace nativeeventtest
