#include "Tls.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace devservice {

namespace fs = std::filesystem;

namespace {

using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertPtr = std::unique_ptr<X509, decltype(&X509_free)>;
using BioPtr = std::unique_ptr<BIO, decltype(&BIO_free)>;

constexpr long day = 24L * 3600L;

std::string opensslError(const std::string &what) {
    char buffer[256] = {0};
    ERR_error_string_n(ERR_get_error(), buffer, sizeof buffer);
    return what + ": " + buffer;
}

// P-256 keys: handshakes cost a fraction of RSA's, which matters when the
// client opens one connection per programme-guide request.
KeyPtr newKey() {
    return KeyPtr(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"), EVP_PKEY_free);
}

bool addExtension(X509 *cert, X509 *issuer, int nid, const char *value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext)
        return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

bool setRandomSerial(X509 *cert) {
    std::unique_ptr<BIGNUM, decltype(&BN_free)> serial(BN_new(), BN_free);
    if (!serial || BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) != 1)
        return false;
    return BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert)) != nullptr;
}

void setName(X509_NAME *name, const char *commonName) {
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>("Vantero development"), -1,
                               -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>(commonName), -1, -1, 0);
}

bool writeFile(const std::string &path, const std::string &content, bool secret) {
    const std::string temp = path + ".tmp";
    {
        const mode_t old = umask(secret ? 077 : 022);
        std::FILE *file = std::fopen(temp.c_str(), "wb");
        umask(old);
        if (!file)
            return false;
        const bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
        if (std::fclose(file) != 0 || !ok)
            return false;
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    return !ec;
}

std::string pemOf(X509 *cert) {
    BioPtr bio(BIO_new(BIO_s_mem()), BIO_free);
    PEM_write_bio_X509(bio.get(), cert);
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string pemOf(EVP_PKEY *key) {
    BioPtr bio(BIO_new(BIO_s_mem()), BIO_free);
    PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr);
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

CertPtr readCert(const std::string &path) {
    BioPtr bio(BIO_new_file(path.c_str(), "r"), BIO_free);
    if (!bio)
        return CertPtr(nullptr, X509_free);
    return CertPtr(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr), X509_free);
}

KeyPtr readKey(const std::string &path) {
    BioPtr bio(BIO_new_file(path.c_str(), "r"), BIO_free);
    if (!bio)
        return KeyPtr(nullptr, EVP_PKEY_free);
    return KeyPtr(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
}

// True when cert stays valid for at least `days` more days.
bool validFor(X509 *cert, long days) {
    const time_t limit = time(nullptr) + days * day;
    return X509_cmp_time(X509_get0_notAfter(cert), const_cast<time_t *>(&limit)) > 0 &&
           X509_cmp_current_time(X509_get0_notBefore(cert)) < 0;
}

bool makeAuthority(KeyPtr &key, CertPtr &cert, std::string &error) {
    key = newKey();
    cert = CertPtr(X509_new(), X509_free);
    if (!key || !cert) {
        error = opensslError("cannot create the certificate authority key");
        return false;
    }
    X509 *c = cert.get();
    X509_set_version(c, 2);
    setRandomSerial(c);
    // Back-date a little so that clocks a few minutes apart still agree.
    X509_gmtime_adj(X509_getm_notBefore(c), -3600);
    X509_gmtime_adj(X509_getm_notAfter(c), 3650 * day);
    X509_set_pubkey(c, key.get());
    setName(X509_get_subject_name(c), "Vantero development CA");
    X509_set_issuer_name(c, X509_get_subject_name(c));
    if (!addExtension(c, c, NID_basic_constraints, "critical,CA:TRUE,pathlen:0") ||
        !addExtension(c, c, NID_key_usage, "critical,keyCertSign,cRLSign") ||
        !addExtension(c, c, NID_subject_key_identifier, "hash") ||
        X509_sign(c, key.get(), EVP_sha256()) == 0) {
        error = opensslError("cannot sign the certificate authority");
        return false;
    }
    return true;
}

bool makeServer(X509 *caCert, EVP_PKEY *caKey, KeyPtr &key, CertPtr &cert, std::string &error) {
    key = newKey();
    cert = CertPtr(X509_new(), X509_free);
    if (!key || !cert) {
        error = opensslError("cannot create the server key");
        return false;
    }
    X509 *c = cert.get();
    X509_set_version(c, 2);
    setRandomSerial(c);
    X509_gmtime_adj(X509_getm_notBefore(c), -3600);
    X509_gmtime_adj(X509_getm_notAfter(c), 825 * day);
    X509_set_pubkey(c, key.get());
    setName(X509_get_subject_name(c), "127.0.0.1");
    X509_set_issuer_name(c, X509_get_subject_name(caCert));
    if (!addExtension(c, caCert, NID_basic_constraints, "critical,CA:FALSE") ||
        !addExtension(c, caCert, NID_key_usage, "critical,digitalSignature") ||
        !addExtension(c, caCert, NID_ext_key_usage, "serverAuth") ||
        !addExtension(c, caCert, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost") ||
        !addExtension(c, caCert, NID_authority_key_identifier, "keyid:always") ||
        X509_sign(c, caKey, EVP_sha256()) == 0) {
        error = opensslError("cannot sign the server certificate");
        return false;
    }
    return true;
}

} // namespace

bool ensureTlsFiles(const std::string &dir, TlsFiles &files, std::string &error) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    const std::string caKeyPath = dir + "/ca.key";
    files.caCertificate = dir + "/ca.pem";
    files.serverCertificate = dir + "/server.pem";
    files.serverKey = dir + "/server.key";

    KeyPtr caKey = readKey(caKeyPath);
    CertPtr caCert = readCert(files.caCertificate);
    if (!caKey || !caCert || X509_check_private_key(caCert.get(), caKey.get()) != 1 ||
        !validFor(caCert.get(), 30)) {
        if (!makeAuthority(caKey, caCert, error))
            return false;
        if (!writeFile(caKeyPath, pemOf(caKey.get()), true) ||
            !writeFile(files.caCertificate, pemOf(caCert.get()), false)) {
            error = "cannot write the certificate authority into " + dir;
            return false;
        }
        files.createdAuthority = true;
    }

    KeyPtr serverKey = readKey(files.serverKey);
    CertPtr serverCert = readCert(files.serverCertificate);
    const bool serverUsable = !files.createdAuthority && serverKey && serverCert &&
                              X509_check_private_key(serverCert.get(), serverKey.get()) == 1 &&
                              X509_verify(serverCert.get(), caKey.get()) == 1 &&
                              validFor(serverCert.get(), 7) &&
                              X509_check_ip_asc(serverCert.get(), "127.0.0.1", 0) == 1;
    if (!serverUsable) {
        if (!makeServer(caCert.get(), caKey.get(), serverKey, serverCert, error))
            return false;
        if (!writeFile(files.serverKey, pemOf(serverKey.get()), true) ||
            !writeFile(files.serverCertificate, pemOf(serverCert.get()) + pemOf(caCert.get()),
                       false)) {
            error = "cannot write the server certificate into " + dir;
            return false;
        }
        files.createdServer = true;
    }
    return true;
}

} // namespace devservice
