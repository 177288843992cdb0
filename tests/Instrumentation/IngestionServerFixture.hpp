#pragma once

// The loopback community server playing the App Center ingestion service
// under its host name, with the sample package's configuration installed.

#include "Platform/Foundation/HttpSession.hpp"
#include "tools/community-server/CommunityServer.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace appcentertest {

inline constexpr const char* kIngestionHost = "in.appcenter.example.test";

class IngestionServerFixture : public ::testing::Test {
protected:
    void SetUp() override { startServer(); }
    void startServer() {
        communityserver::ServerOptions options;
        options.extraDnsNames.push_back(kIngestionHost);
        server = std::make_unique<communityserver::CommunityServer>(options);
        server->start();
        platform::HttpSession::setHostMapping(std::string(kIngestionHost) + ":443",
                                              "127.0.0.1:" + std::to_string(server->port()));
        platform::HttpSession::setCAFile(server->caFile());
    }
    void TearDown() override {
        if (!server) return;
        platform::HttpSession::removeHostMapping(std::string(kIngestionHost) + ":443");
        platform::HttpSession::setCAFile(std::nullopt);
        server.reset();
    }

    std::unique_ptr<communityserver::CommunityServer> server;
};

} // namespace appcentertest
