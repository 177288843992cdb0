#include "tests/support/TestCertificate.hpp"

#include "tools/community-server/ServerCertificate.hpp"

namespace testsupport {

// The certificate is made by the loopback community server's library, which
// the standalone server program uses too.
TestCertificate TestCertificate::make(const std::filesystem::path& folder, const std::vector<std::string>& dnsNames,
                                      const std::vector<std::string>& ipAddresses) {
    auto made = communityserver::ServerCertificate::make(folder, dnsNames, ipAddresses);
    TestCertificate result;
    result.caFile_ = made.caFile();
    result.certificateFile_ = made.certificateFile();
    result.privateKeyFile_ = made.privateKeyFile();
    return result;
}

} // namespace testsupport
