// Sending photos to a real FTP server (scripts/ftp-server) on a free loopback port.
#include "FtpServerProcess.h"
#include "TestImages.h"
#include "images/FtpTransfer.h"
#include "images/Jpeg.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace stanor::images;
using namespace stanor::images::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A loopback port that nothing listens on.
int closedPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    close(s);
    return ntohs(a.sin_port);
}

// The FTP server of the scripts, started once for all the tests.
class FtpServer : public stanor::test::FtpServerProcess {
public:
    FtpServer() : FtpServerProcess(STANOR_FTP_SERVER) {}
};

class FtpTransfer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new FtpServer; }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server_->running()) << "scripts/ftp-server did not start (python3-pyftpdlib missing?)";
        server_->empty();
        photo_ = encodeJpeg(photoLike(640, 480));
        mini_ = encodeJpeg(photoLike(120, 90));
        writeFileBytes(local_.file("V0001234-03.jpg"), photo_);
        writeFileBytes(local_.file("V0001234-03m.jpg"), mini_);
    }
    FtpEndpoint endpoint() const { return {server_->host(), "stanor", server_->netrcFile(), server_->authorityFile()}; }
    std::string password() const {
        const std::string netrc = fileText(server_->netrcFile());
        return netrc.substr(netrc.rfind(' ') + 1, netrc.size() - netrc.rfind(' ') - 2);
    }

    static FtpServer* server_;
    ScratchDir local_;
    Bytes photo_, mini_;
    std::vector<std::string> memo_;
    MemoLine memo = [this](const std::string& line) { memo_.push_back(line); };
};
FtpServer* FtpTransfer::server_ = nullptr;

}  // namespace

TEST(FtpEndpoint, TheInternalAddressThroughAProxyThePublicHostOtherwise) {
    const FtpDeployment d{"10.1.2.3", "ftp.garage.example", "stanor", "garage.example", "/home/u/.netrc"};
    const FtpEndpoint viaProxy = chooseFtpEndpoint(d, true), direct = chooseFtpEndpoint(d, false);
    EXPECT_EQ(viaProxy.host, "10.1.2.3");
    EXPECT_EQ(viaProxy.user, "stanor@garage.example");
    EXPECT_EQ(direct.host, "ftp.garage.example");
    EXPECT_EQ(direct.user, "stanor");
    EXPECT_EQ(direct.netrcFile, "/home/u/.netrc");
    FtpDeployment noDomain = d;
    noDomain.domain.clear();
    EXPECT_EQ(chooseFtpEndpoint(noDomain, true).user, "stanor");

    struct Row {
        const char* what;
        FtpDeployment settings;
        bool proxy;
        const char* names;
    } rows[] = {
        {"no internal address", {"", "ftp.garage.example", "stanor", "", ""}, true, "FtpInternalAddress"},
        {"no public host", {"10.1.2.3", "", "stanor", "", ""}, false, "FtpPublicHost"},
        {"no account", {"10.1.2.3", "ftp.garage.example", "", "", ""}, false, "FtpAccount"},
    };
    for (const Row& r : rows) {
        try {
            chooseFtpEndpoint(r.settings, r.proxy);
            ADD_FAILURE() << r.what;
        } catch (const FtpError& e) {
            EXPECT_NE(std::string(e.what()).find(r.names), std::string::npos) << r.what << ": " << e.what();
        }
    }
}

TEST_F(FtpTransfer, BothFilesGoIntoThePhotoFolderInBinaryAndTheMemoFollows) {
    std::vector<std::string> trace;
    FtpOptions o;
    o.trace = [&](const std::string& line) { trace.push_back(line); };
    transferPhotoFiles(endpoint(), local_.path().string(), "V0001234-03.jpg", memo, o);
    EXPECT_EQ(readFileBytes(server_->remote("V0001234-03.jpg")), photo_);
    EXPECT_EQ(readFileBytes(server_->remote("V0001234-03m.jpg")), mini_);
    EXPECT_EQ(memo_, (std::vector<std::string>{"...", "...Transfert Terminé."}));

    std::string all;
    for (const std::string& l : trace) all += l + "\n";
    EXPECT_NE(all.find("> AUTH TLS"), std::string::npos) << all;
    EXPECT_NE(all.find("> PROT P"), std::string::npos) << "the files go encrypted too\n" << all;
    EXPECT_NE(all.find("> TYPE I"), std::string::npos) << all;
    EXPECT_NE(all.find("> STOR V0001234-03m.jpg"), std::string::npos) << all;
    EXPECT_NE(all.find("> PASS ****"), std::string::npos) << all;
    EXPECT_EQ(all.find(password()), std::string::npos) << "the password reached the trace";
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "> USER stanor"), 1) << "one connection for both files";
}

TEST(FtpEndpoint, PlainFtpOnlyToAnInternalAddressWhenTheDeploymentAllowsIt) {
    struct Host {
        const char* host;
        bool internal;
    } hosts[] = {
        {"10.1.2.3", true},          {"10.1.2.3:2121", true},      {"172.16.0.1", true},
        {"172.31.255.255", true},    {"172.32.0.1", false},        {"192.168.1.5:21", true},
        {"192.169.1.5", false},      {"127.0.0.1:40000", true},    {"[::1]:2121", true},
        {"::1", true},               {"[fd12::5]", true},          {"8.8.8.8", false},
        {"100.64.0.1", false},       {"[2001:db8::1]:21", false},  {"ftp.garage.example", false},
        {"localhost", false},        {"10.1.2.3.example", false},  {"", false},
    };
    for (const Host& h : hosts) EXPECT_EQ(isInternalAddress(h.host), h.internal) << h.host;

    struct Row {
        bool allowed;  // the deployment's setting
        bool proxy;    // the internal address is chosen
        bool plain;
    } rows[] = {{true, true, true}, {true, false, false}, {false, true, false}};
    for (const Row& r : rows) {
        FtpDeployment d{"10.1.2.3", "ftp.garage.example", "stanor", "", "", "", r.allowed};
        EXPECT_EQ(chooseFtpEndpoint(d, r.proxy).plainAllowed, r.plain) << r.allowed << r.proxy;
    }
}

TEST_F(FtpTransfer, TheServerMustSpeakTlsWithACertificateOfABelievedAuthority) {
    stanor::test::FtpServerProcess plain(STANOR_FTP_SERVER, {}, false);
    ASSERT_TRUE(plain.running());
    const std::string stranger = stanor::test::TestAuthority(local_.file("stranger")).certFile();
    const std::string localhost = "localhost:" + std::to_string(server_->port());
    struct Row {
        const char* what;
        FtpEndpoint endpoint;
        const char* message;  // empty: sent
    } rows[] = {
        {"a server without TLS", {plain.host(), "stanor", plain.netrcFile(), server_->authorityFile()},
         "n'offre pas de connexion chiffrée (TLS) : transfert refusé"},
        {"plain allowed to an internal address", {plain.host(), "stanor", plain.netrcFile(), "", true}, ""},
        {"the group's authority not named", {server_->host(), "stanor", server_->netrcFile()},
         "son certificat n'est signé par aucune autorité reconnue"},
        {"another authority", {server_->host(), "stanor", server_->netrcFile(), stranger},
         "son certificat n'est signé par aucune autorité reconnue"},
        {"another host name", {localhost, "stanor", server_->netrcFile(), server_->authorityFile()},
         "son certificat est établi pour un autre nom"},
        {"authority file missing", {server_->host(), "stanor", server_->netrcFile(), local_.file("absent.crt")},
         "Fichier de l'autorité de certification du groupe introuvable"},
    };
    for (const Row& r : rows) {
        memo_.clear();
        try {
            transferPhotoFiles(r.endpoint, local_.path().string(), "V0001234-03.jpg", memo);
            EXPECT_STREQ(r.message, "") << r.what;
        } catch (const FtpError& e) {
            EXPECT_NE(std::string(e.what()).find(r.message), std::string::npos) << r.what << ": " << e.what();
            EXPECT_TRUE(*r.message) << r.what << ": " << e.what();
        }
    }
    EXPECT_EQ(readFileBytes(plain.remote("V0001234-03.jpg")), photo_);
    EXPECT_FALSE(std::filesystem::exists(server_->remote("V0001234-03.jpg"))) << "nothing reached a server not believed";
}

TEST_F(FtpTransfer, FilesOfTheSameNameAreReplacedWhole) {
    writeFileBytes(server_->remote("V0001234-03.jpg"), Bytes(photo_.size() * 3, 'x'));
    writeFileBytes(server_->remote("V0001234-03m.jpg"), Bytes(10, 'y'));
    transferPhotoFiles(endpoint(), local_.path().string(), "V0001234-03.jpg", memo);
    EXPECT_EQ(readFileBytes(server_->remote("V0001234-03.jpg")), photo_);
    EXPECT_EQ(readFileBytes(server_->remote("V0001234-03m.jpg")), mini_);
}

TEST_F(FtpTransfer, FailuresGiveAClearErrorAndTheMemoShowsHowFarItWent) {
    std::ofstream(local_.file("wrong.netrc")) << "machine 127.0.0.1 login stanor password not-the-one\n";
    std::filesystem::remove(local_.file("V0001234-04m.jpg"));
    writeFileBytes(local_.file("V0001234-04.jpg"), photo_);
    const std::string dir = local_.path().string();
    struct Row {
        const char* what;
        FtpEndpoint endpoint;
        const char* target;
        const char* message;
        std::vector<std::string> memo;
    } rows[] = {
        {"wrong password", {server_->host(), "stanor", local_.file("wrong.netrc"), server_->authorityFile()},
         "V0001234-03.jpg", "Connexion refusée par le serveur FTP 127.0.0.1:", {}},
        {"unknown account", {server_->host(), "inconnu", server_->netrcFile(), server_->authorityFile()},
         "V0001234-03.jpg", "pour le compte inconnu : vérifiez son mot de passe dans", {}},
        {"no password file", {server_->host(), "stanor", local_.file("absent.netrc"), server_->authorityFile()},
         "V0001234-03.jpg", "Fichier des mots de passe FTP introuvable", {}},
        {"unreachable server",
         {"127.0.0.1:" + std::to_string(closedPort()), "stanor", server_->netrcFile(), server_->authorityFile()},
         "V0001234-03.jpg", "Connexion impossible au serveur FTP 127.0.0.1:", {}},
        {"miniature missing", endpoint(), "V0001234-04.jpg", "Impossible de lire le fichier", {"..."}},
        {"no photo name", endpoint(), "V0001234-03", "Nom de cliché invalide", {}},
    };
    for (const Row& r : rows) {
        memo_.clear();
        try {
            transferPhotoFiles(r.endpoint, dir, r.target, memo);
            ADD_FAILURE() << r.what;
        } catch (const FtpError& e) {
            EXPECT_NE(std::string(e.what()).find(r.message), std::string::npos) << r.what << ": " << e.what();
        }
        EXPECT_EQ(memo_, r.memo) << r.what;
        EXPECT_TRUE(std::filesystem::exists(local_.file("V0001234-03.jpg"))) << r.what;  // local files stay
    }
    EXPECT_FALSE(std::filesystem::exists(server_->remote("V0001234-03.jpg")));
}

TEST_F(FtpTransfer, AMissingPhotoFolderOnTheServerIsNamed) {
    const std::filesystem::path moved = server_->served().string() + ".moved";
    std::filesystem::rename(server_->served(), moved);
    try {
        transferPhotoFiles(endpoint(), local_.path().string(), "V0001234-03.jpg", memo);
        ADD_FAILURE();
    } catch (const FtpError& e) {
        EXPECT_NE(std::string(e.what()).find("refuse l'accès au dossier www/voimages"), std::string::npos) << e.what();
    }
    std::filesystem::rename(moved, server_->served());
}

TEST_F(FtpTransfer, ReductionThenTransferInOneCallAndNoNetworkWithoutTransfer) {
    writeJpegFile(photoLike(800, 600), local_.file("source.jpg"));
    ScratchDir out;
    ReductionOptions r;
    r.dir = out.path().string();
    r.memo = memo;
    reduceAndTransfer(local_.file("source.jpg"), nullptr, "V0000042-01.jpg", r, nullptr);
    EXPECT_TRUE(std::filesystem::exists(out.file("V0000042-01m.jpg")));
    EXPECT_TRUE(std::filesystem::is_empty(server_->served()));
    EXPECT_EQ(memo_.size(), 2u);

    memo_.clear();
    const FtpEndpoint e = endpoint();
    reduceAndTransfer(local_.file("source.jpg"), nullptr, "V0000042-01.jpg", r, &e);
    EXPECT_EQ(memo_, (std::vector<std::string>{"Réduction & Transferts de : " + local_.file("source.jpg") + " vers : V0000042-01.jpg",
                                               "Lecture de : " + local_.file("source.jpg"), "...", "...Transfert Terminé."}));
    EXPECT_EQ(readJpegFile(server_->remote("V0000042-01m.jpg")).width(), 120);
    EXPECT_EQ(readFileBytes(server_->remote("V0000042-01.jpg")), readFileBytes(out.file("V0000042-01.jpg")));
}
