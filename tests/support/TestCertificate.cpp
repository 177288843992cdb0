#include "tests/support/TestCertificate.hpp"

#include "tools/community-server/ServerCertificate.hpp"

namespace testsupport {

// The certificate is made by the loopback community server's library, which
// the standalone server program uses too.
TestCertificate TestCertificate::make(const std::filesystem::path& folder, const std::vector<std::string>& dnsNames,
                                      const std::vector<std::string>& ipAddresses) {
    return from(communityserver::ServerCertificate::make(folder, dnsNames, ipAddresses));
}

TestCertificate TestCertificate::from(const communityserver::ServerCertificate& certificate) {
    TestCertificate result;
    result.caFile_ = certificate.caFile();
    result.certificateFile_ = certificate.certificateFile();
    result.privateKeyFile_ = certificate.privateKeyFile();
    return result;
}

} // namespace testsupport
