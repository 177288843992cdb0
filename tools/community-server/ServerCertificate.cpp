#include "tools/community-server/ServerCertificate.hpp"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace communityserver {
namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};

using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using CertPtr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using BigNumPtr = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;
using ExtensionPtr = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION, X509_EXTENSION_free>>;

void require(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("server certificate: ") + what + " failed");
    }
}

KeyPtr makeKey() {
    KeyPtr key(EVP_EC_gen("P-256"));
    require(key != nullptr, "key generation");
    return key;
}

void addExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    ExtensionPtr extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    require(extension != nullptr, "certificate extension");
    require(X509_add_ext(cert, extension.get(), -1) == 1, "adding a certificate extension");
}

CertPtr makeCertificate(EVP_PKEY* key, const std::string& commonName, X509* issuer) {
    CertPtr cert(X509_new());
    require(cert != nullptr, "certificate allocation");
    require(X509_set_version(cert.get(), 2) == 1, "certificate version");

    BigNumPtr serial(BN_new());
    require(serial && BN_rand(serial.get(), 64, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ANY) == 1, "serial number");
    require(BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert.get())) != nullptr, "serial number");

    require(X509_gmtime_adj(X509_getm_notBefore(cert.get()), -60L * 60) != nullptr, "validity");
    require(X509_gmtime_adj(X509_getm_notAfter(cert.get()), 30L * 24 * 60 * 60) != nullptr, "validity");
    require(X509_set_pubkey(cert.get(), key) == 1, "public key");

    X509_NAME* subject = X509_get_subject_name(cert.get());
    require(X509_NAME_add_entry_by_txt(subject, "O", MBSTRING_ASC,
                                       reinterpret_cast<const unsigned char*>("Vellicor Loopback"), -1, -1, 0) == 1,
            "subject");
    require(X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                                       reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0) == 1,
            "subject");
    X509* signer = issuer != nullptr ? issuer : cert.get();
    require(X509_set_issuer_name(cert.get(), X509_get_subject_name(signer)) == 1, "issuer");
    return cert;
}

void sign(X509* cert, EVP_PKEY* key) { require(X509_sign(cert, key, EVP_sha256()) > 0, "signing"); }

void writePem(const std::filesystem::path& path, const std::function<int(BIO*)>& write) {
    BioPtr bio(BIO_new_file(path.c_str(), "w"));
    require(bio != nullptr, "opening a PEM file");
    require(write(bio.get()) == 1, "writing a PEM file");
}

} // namespace

ServerCertificate ServerCertificate::make(const std::filesystem::path& folder, const std::vector<std::string>& dnsNames,
                                      const std::vector<std::string>& ipAddresses) {
    std::filesystem::create_directories(folder);

    auto caKey = makeKey();
    auto ca = makeCertificate(caKey.get(), "Vellicor Loopback CA", nullptr);
    addExtension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE");
    addExtension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    addExtension(ca.get(), ca.get(), NID_subject_key_identifier, "hash");
    addExtension(ca.get(), ca.get(), NID_authority_key_identifier, "keyid:always");
    sign(ca.get(), caKey.get());

    auto serverKey = makeKey();
    std::string commonName = dnsNames.empty() ? std::string("localhost") : dnsNames.front();
    auto server = makeCertificate(serverKey.get(), commonName, ca.get());
    std::string altNames;
    for (const auto& name : dnsNames) {
        altNames += (altNames.empty() ? "" : ",") + std::string("DNS:") + name;
    }
    for (const auto& address : ipAddresses) {
        altNames += (altNames.empty() ? "" : ",") + std::string("IP:") + address;
    }
    addExtension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE");
    addExtension(server.get(), ca.get(), NID_key_usage, "critical,digitalSignature,keyEncipherment");
    addExtension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth");
    addExtension(server.get(), ca.get(), NID_subject_key_identifier, "hash");
    addExtension(server.get(), ca.get(), NID_authority_key_identifier, "keyid:always");
    if (!altNames.empty()) {
        addExtension(server.get(), ca.get(), NID_subject_alt_name, altNames);
    }
    sign(server.get(), caKey.get());

    ServerCertificate result;
    result.caFile_ = folder / "ca.pem";
    result.certificateFile_ = folder / "server-cert.pem";
    result.privateKeyFile_ = folder / "server-key.pem";
    writePem(result.caFile_, [&](BIO* bio) { return PEM_write_bio_X509(bio, ca.get()); });
    writePem(result.certificateFile_, [&](BIO* bio) { return PEM_write_bio_X509(bio, server.get()); });
    writePem(result.privateKeyFile_, [&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, serverKey.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
    std::error_code ignored;
    std::filesystem::permissions(result.privateKeyFile_,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::replace, ignored);
    return result;
}

} // namespace communityserver
