#pragma once

#include <string>

// The service's own certificate authority and server certificate.
namespace devservice {

struct TlsFiles {
    std::string caCertificate;     // PEM, what the client trusts ("ca_file")
    std::string serverCertificate; // PEM chain: server certificate, then the CA
    std::string serverKey;         // PEM private key (mode 0600)
    bool createdAuthority = false;
    bool createdServer = false;
};

// Makes sure dir holds a certificate authority and a server certificate for
// 127.0.0.1 and localhost signed by it. Existing files are reused; a server
// certificate that is unreadable, not signed by the present authority or
// close to expiry is issued anew. Returns false with error set on failure.
bool ensureTlsFiles(const std::string &dir, TlsFiles &files, std::string &error);

} // namespace devservice
