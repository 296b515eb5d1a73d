#pragma once
// Certificates made by the tests themselves: an authority of their own (as a
// dealership group has one) and server certificates it signs, for chosen
// names and validity, written as PEM files into a folder.

#include <string>
#include <vector>

namespace stanor::test {

struct CertificateFiles {
    std::string cert;  // the certificate (PEM)
    std::string key;   // its private key (PEM, mode 0600)
};

class TestAuthority {
public:
    // A new authority named `name`, its files in `dir` (created when missing).
    explicit TestAuthority(std::string dir, const std::string& name = "Autorite de test");
    ~TestAuthority();
    TestAuthority(const TestAuthority&) = delete;
    TestAuthority& operator=(const TestAuthority&) = delete;

    // The authority's certificate: the file a client is told to trust.
    const std::string& certFile() const { return files_.cert; }

    // A server certificate for `hosts` (names, or IPv4/IPv6 addresses), valid
    // from `fromDays` to `toDays` days from now (negative: in the past),
    // written as `<file>.crt` and `<file>.key` in the authority's folder.
    CertificateFiles issue(const std::string& file, const std::vector<std::string>& hosts, int fromDays = -1,
                           int toDays = 30) const;

private:
    struct Keys;
    std::string dir_;
    CertificateFiles files_;
    Keys* keys_;
};

}  // namespace stanor::test
