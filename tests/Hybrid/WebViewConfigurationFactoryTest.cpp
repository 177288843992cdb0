#include "VellicorApp/Hybrid/WebViewConfigurationFactory.hpp"

#include "VellicorApp/Hybrid/ClientFeatures.hpp"
#include "VellicorApp/Hybrid/JSCallDispatchEventHandler.hpp"

#include "tests/Hybrid/HybridTestSupport.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

using namespace vellicor;
using platform::web::UserScriptInjectionTime;

namespace {

constexpr const char* kClientFeatures = R"(myvellicor.nativejsapi.clientFeatures = '{"forceAppUpdate":{"enabled":true}}';)";

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// The sample package with some script files missing or swapped for files
/// that are no script text. Writes nothing: a death test's child process
/// runs without the test's sandbox.
class EditedBundle : public apptest::FakeBundle {
public:
    EditedBundle() : FakeBundle(FakeBundle::sample()->info) {}
    std::optional<std::string> pathForResource(const std::optional<std::string>& name,
                                               const std::optional<std::string>& type) const override {
        if (name) {
            if (const auto found = replaced.find(*name); found != replaced.end()) return found->second;
        }
        return FakeBundle::pathForResource(name, type);
    }
    std::map<std::string, std::optional<std::string>> replaced;
};

class WebViewConfigurationFactoryTest : public hybridtest::HybridTest {};

TEST_F(WebViewConfigurationFactoryTest, OneConfigurationWithThreeScriptsInOrder) {
    WebViewConfigurationFactory factory("Vellicor/1.0 Compact");
    const auto config = factory.defaultConfig();
    EXPECT_EQ(factory.defaultConfig(), config);
    EXPECT_EQ(config->applicationNameForUserAgent, "Vellicor/1.0 Compact");
    EXPECT_TRUE(config->allowsInlineMediaPlayback);

    const auto www = apptest::sampleResources() / "www";
    const struct {
        std::string source;
        UserScriptInjectionTime time;
    } expected[] = {
        {fileText(www / "bridge-interface.js"), UserScriptInjectionTime::atDocumentStart},
        {fileText(www / "tarnix-interface.js"), UserScriptInjectionTime::atDocumentEnd},
        {kClientFeatures, UserScriptInjectionTime::atDocumentStart},
    };
    const auto& scripts = config->userContentController->userScripts();
    ASSERT_EQ(scripts.size(), std::size(expected));
    for (std::size_t i = 0; i < scripts.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(expected[i].source.empty());
        EXPECT_EQ(scripts[i].source, expected[i].source);
        EXPECT_EQ(scripts[i].injectionTime, expected[i].time);
        EXPECT_TRUE(scripts[i].forMainFrameOnly);
        EXPECT_EQ(scripts[i].world, platform::web::ContentWorld::page());
    }
    // Each factory (each screen's model) makes a configuration of its own.
    WebViewConfigurationFactory other("Vellicor/1.0 Regular");
    EXPECT_NE(other.defaultConfig(), config);
    EXPECT_NE(other.defaultConfig()->userContentController, config->userContentController);
    EXPECT_EQ(config->userContentController->userScripts().size(), 3u);
}

TEST_F(WebViewConfigurationFactoryTest, TheClientFeatureScriptIsMadeOnceFromTheContextsFeatures) {
    ASSERT_EQ(context->clientFeatures.size(), 1u);
    EXPECT_EQ(context->clientFeatures[0]->name(), "forceAppUpdate");
    EXPECT_EQ(JSCallDispatchEventHandler::clientFeatureCapabilities(), kClientFeatures);
    EXPECT_EQ(&JSCallDispatchEventHandler::clientFeatureCapabilities(),
              &JSCallDispatchEventHandler::clientFeatureCapabilities());
}

struct MissingScript {
    const char* name;
    const char* file;
    bool unreadable;
    const char* message;
};

void PrintTo(const MissingScript& script, std::ostream* out) { *out << script.name; }

class WebViewConfigurationFactoryDeathTest : public WebViewConfigurationFactoryTest,
                                             public ::testing::WithParamInterface<MissingScript> {};

TEST_P(WebViewConfigurationFactoryDeathTest, AMissingOrUnreadableScriptStopsTheApp) {
    const auto& c = GetParam();
    auto bundle = std::make_shared<EditedBundle>();
    const auto resources = apptest::sampleResources();
    if (!c.unreadable) {
        bundle->replaced[c.file] = std::nullopt;
    } else if (std::string(c.file) == "www/bridge-interface") {
        bundle->replaced[c.file] = (resources / "www").string(); // a folder where the file should be
    } else {
        bundle->replaced[c.file] = (resources / "Images" / "FABIcon@3x.png").string(); // not UTF-8 text
    }
    AppContext::setStackForTesting({makeContext(bundle)});
    EXPECT_DEATH(WebViewConfigurationFactory("agent").defaultConfig(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, WebViewConfigurationFactoryDeathTest,
    ::testing::Values(MissingScript{"NoBridgeInterface", "www/bridge-interface", false, "bridge-interface.js cannot be found!"},
                      MissingScript{"NoRuntimeInterface", "www/tarnix-interface", false, "tarnix-interface.js cannot be found!"},
                      MissingScript{"BridgeInterfaceIsAFolder", "www/bridge-interface", true,
                                    "bridge-interface.js cannot be found!"},
                      MissingScript{"RuntimeInterfaceNotUtf8", "www/tarnix-interface", true,
                                    "tarnix-interface.js cannot be found!"}),
    [](const ::testing::TestParamInfo<MissingScript>& info) { return std::string(info.param.name); });

} // namespace
