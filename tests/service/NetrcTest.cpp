// The password of the data service in the user's netrc file, read as ftp and curl read it.
#include "service/Netrc.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace stanor::service;

TEST(Netrc, ThePasswordOfTheHostAndLoginIsFound)
{
    const struct {
        const char* what;
        const char* text;
        const char* found;  // nullptr: none
    } cases[] = {
        {"one line", "machine srv.garage login 2 password secret-2", "secret-2"},
        {"one entry per line", "machine srv.garage\n  login 2\n  password secret-2\n", "secret-2"},
        {"the login that matches", "machine srv.garage login 1 password s1\nmachine srv.garage login 2 password s2",
         "s2"},
        {"another login only", "machine srv.garage login 3 password s3", nullptr},
        {"an entry without login", "machine srv.garage password tous", "tous"},
        {"the host in capitals", "machine SRV.Garage login 2 password s2", "s2"},
        {"another host", "machine ftp.garage login 2 password s2", nullptr},
        {"a host that only starts alike", "machine srv.garage.example login 2 password s2", nullptr},
        {"password before login", "machine srv.garage password s2 login 2", "s2"},
        {"a quoted password with blanks", "machine srv.garage login 2 password \"mot de passe\"", "mot de passe"},
        {"default is not the service's", "default login 2 password n-importe", nullptr},
        {"a macro mentioning the host is skipped",
         "macdef init\nmachine srv.garage login 2 password piege\n\nmachine srv.garage login 2 password vrai", "vrai"},
        {"an entry without password", "machine srv.garage login 2\nmachine srv.garage login 2 password s2", "s2"},
        {"a password as the host's name", "machine autre login 2 password srv.garage", nullptr},
    };
    for (const auto& c : cases) {
        const auto got = NetrcPassword(c.text, QStringLiteral("srv.garage"), QStringLiteral("2"));
        if (c.found) {
            EXPECT_EQ(got.value_or(QStringLiteral("<aucun>")).toStdString(), c.found) << c.what;
        } else {
            EXPECT_FALSE(got.has_value()) << c.what << ": " << got.value_or(QString()).toStdString();
        }
    }
}

TEST(Netrc, AFileOthersMayReadIsNotRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("netrc"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("machine srv.garage login 2 password s2\n");
    f.close();
    const struct {
        QFile::Permissions permissions;
        bool read;
    } cases[] = {
        {QFile::ReadOwner | QFile::WriteOwner, true},
        {QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup, false},
        {QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther, false},
    };
    for (const auto& c : cases) {
        f.setPermissions(c.permissions);
        const NetrcLookup got = ReadNetrcPassword(path, QStringLiteral("srv.garage"), QStringLiteral("2"));
        EXPECT_EQ(got.password.has_value(), c.read);
        EXPECT_EQ(got.problem.isEmpty(), c.read) << got.problem.toStdString();
    }
    EXPECT_FALSE(ReadNetrcPassword(dir.filePath(QStringLiteral("absent")), QStringLiteral("srv.garage"),
                                   QStringLiteral("2")).password);
}
