// scripts/attack-dataservice against a service on a free loopback port, over a
// copy of the demo database: every family of attacks it replays is held.
#include "ServiceFixture.h"

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

using namespace stanor::dataservice;
using namespace stanor::dataservice::test;

class DataServiceAttacks : public ServiceTest {};

TEST_F(DataServiceAttacks, EveryFamilyOfTheAttackScriptIsHeld) {
    const std::string root = STANOR_SOURCE_DIR;
    const std::string before = Snapshot(*checks_);
    std::string out;
    // The session goes by the environment: a token on a command line is seen by every user of the machine.
    ::setenv("STANOR_ATTACK_TOKEN", token_.c_str(), 1);
    FILE* p = popen((root + "/scripts/attack-dataservice http://127.0.0.1:" + std::to_string(port_) + "/ 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int status = pclose(p);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    // Held by the limits themselves, not by a missing session.
    EXPECT_EQ(out.find("Session absente"), std::string::npos) << out;
    int families = 0;
    for (const auto& f : std::filesystem::directory_iterator(root + "/scripts/attack-families")) {
        if (f.path().extension() != ".py") continue;
        ++families;
        std::string name = f.path().stem().string();
        name = name.substr(name.find('-') + 1);
        EXPECT_NE(out.find("famille " + name + " : tenue"), std::string::npos) << name << "\n" << out;
    }
    EXPECT_GE(families, 8);
    // Every probe is written to change nothing, even where it would be accepted.
    EXPECT_EQ(Snapshot(*checks_), before);
}
