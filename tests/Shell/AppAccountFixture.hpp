#pragma once
// The account fixture (loopback community server, SDK account manager) with a
// running app context over the sample package and the app's loggers at the
// info level.

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include "Platform/Foundation/Reachability.hpp"

#include <memory>

namespace apptest {

class AppAccountFixture : public veltranetest::AccountFixture {
protected:
    void SetUp() override {
        AccountFixture::SetUp();
        context = installContext(sampleResources());
        vellicor::Logger::configureLogLevel();
    }
    void TearDown() override {
        platform::Reachability::setOffline(false);
        AccountFixture::TearDown();
        vellicor::AppContext::resetForTesting();
    }

    std::shared_ptr<vellicor::Context> context;
};

} // namespace apptest
