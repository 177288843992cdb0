// community-server: the community and its platform API on loopback over HTTPS,
// for running the app by hand or from scripts.
//
//   community-server [--port N] [--host NAME] [--dns-name NAME]... [--data DIR] [--config FILE] [--print-ca-path]
//                    [--check-no-token-in PATH]...
//
// The certificate is made afresh at every start (in DIR when given); clients
// trust its CA file. FILE (by default DIR/community.json, when present; the
// demo's is tools/community-server/demo/community.json) configures users, OAuth
// clients, pages, records with their downloadable contents (files beside it)
// and token lifetimes (see CommunityServer::configure); without it no client
// may sign in. The server runs until it receives SIGINT or SIGTERM. With
// --check-no-token-in it then looks through each PATH (a file, or a folder and
// everything under it, such as a client's log files) and exits with status 3
// when one holds a token it issued, naming the files, never the tokens.

#include "tools/community-server/CommunityServer.hpp"

#include <CLI/CLI.hpp>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <pthread.h>
#include <vector>

int main(int argc, char** argv) {
    CLI::App app{"Plays the community and its platform API over HTTPS on loopback."};
    communityserver::ServerOptions options;
    bool printCaPath = false;
    std::filesystem::path configFile;
    std::vector<std::filesystem::path> tokenFreePaths;
    app.add_option("-p,--port", options.port, "Port to listen on (0: any free port)")->check(CLI::Range(0, 65535));
    app.add_option("--host", options.hostName, "Host name the certificate and the answers use");
    std::vector<std::string> dnsNames;
    app.add_option("--dns-name", dnsNames,
                   "Another name the certificate covers, for a host mapped to this server (repeatable)");
    app.add_option("-d,--data", options.dataFolder, "Folder for the certificate files and community.json");
    app.add_option("-c,--config", configFile, "The community's configuration (default: DIR/community.json)")
        ->check(CLI::ExistingFile);
    app.add_flag("--print-ca-path", printCaPath, "Print the CA file path alone on the first line of output");
    app.add_option("--check-no-token-in", tokenFreePaths,
                   "At the end, fail (status 3) when a file under PATH holds an issued token");
    CLI11_PARSE(app, argc, argv);
    options.extraDnsNames.insert(options.extraDnsNames.end(), dnsNames.begin(), dnsNames.end());
    if (!options.dataFolder.empty()) options.dataFolder = std::filesystem::absolute(options.dataFolder);

    // Signals are taken by sigwait below; block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    communityserver::CommunityServer server(options);
    if (configFile.empty() && !options.dataFolder.empty()) configFile = options.dataFolder / "community.json";
    if (!configFile.empty()) {
        configFile = std::filesystem::absolute(configFile);
        std::ifstream in(configFile);
        if (in) {
            auto document = nlohmann::ordered_json::parse(in, nullptr, false);
            // Files the configuration names are read from beside it.
            auto error = document.is_discarded() ? std::optional<std::string>("not valid JSON")
                                                 : server.configure(document, configFile.parent_path());
            if (error) {
                std::cerr << "community-server: " << configFile.string() << ": " << *error << "\n";
                return 1;
            }
        }
    }
    try {
        server.start();
    } catch (const std::exception& e) {
        std::cerr << "community-server: " << e.what() << "\n";
        return 1;
    }
    if (printCaPath) std::cout << server.caFile().string() << "\n";
    std::cout << "Listening on " << server.baseUrl() << " (" << options.bindAddress << ":" << server.port() << ")\n"
              << "CA file: " << server.caFile().string() << "\n";
    for (const auto& user : server.users()) std::cout << "User: " << user.username << "\n";
    std::cout.flush();

    int received = 0;
    sigwait(&signals, &received);
    server.stop();
    int status = 0;
    for (const auto& path : tokenFreePaths) {
        for (const auto& file : server.filesHoldingTokens(std::filesystem::absolute(path))) {
            std::cerr << "community-server: an issued token is in " << file.string() << "\n";
            status = 3;
        }
    }
    if (!tokenFreePaths.empty() && status == 0) {
        std::cerr << "community-server: no issued token (" << server.issuedTokens().size() << " issued) in "
                  << tokenFreePaths.size() << " path(s)\n";
    }
    return status;
}
