#pragma once

// A throwaway certificate authority and a server certificate it signs, made
// fresh at test time, so that tests talk real, verified TLS to loopback servers.

#include <filesystem>
#include <string>
#include <vector>

namespace communityserver {
class ServerCertificate;
} // namespace communityserver

namespace testsupport {

class TestCertificate {
public:
    /// Makes a CA and a server certificate (EC P-256, SHA-256, valid from an hour
    /// ago for 30 days) whose subjectAltName lists the DNS names and IP addresses,
    /// and writes them as PEM files into `folder` (created when missing).
    /// Throws std::runtime_error when OpenSSL or the file system fails.
    static TestCertificate make(const std::filesystem::path& folder, const std::vector<std::string>& dnsNames,
                                const std::vector<std::string>& ipAddresses = {"127.0.0.1"});

    /// The files of a certificate the community server made.
    static TestCertificate from(const communityserver::ServerCertificate& certificate);

    /// The server certificate.
    const std::filesystem::path& certificateFile() const { return certificateFile_; }
    /// The server's private key (unencrypted).
    const std::filesystem::path& privateKeyFile() const { return privateKeyFile_; }
    /// The CA certificate that signed the server certificate: the file to trust.
    const std::filesystem::path& caFile() const { return caFile_; }

private:
    TestCertificate() = default;
    std::filesystem::path certificateFile_;
    std::filesystem::path privateKeyFile_;
    std::filesystem::path caFile_;
};

} // namespace testsupport
