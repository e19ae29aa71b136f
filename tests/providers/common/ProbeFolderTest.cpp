#include "providers/common/ProbeFolder.h"

#include "support/QtPrinters.h"
#include "support/TempHome.h"

#include <QFile>

#include <sys/stat.h>

#include <cstdlib>

#include <gtest/gtest.h>

using namespace meterix;
using meterix::test::TempHome;

// A client works with the user's rights in this folder: made (or tightened to)
// owner-only, and refused when anyone but the user could have prepared it.
TEST(ProbeFolder, MadeOwnerOnlyAndRefusedWhenOthersCouldHavePreparedIt) {
    const struct {
        const char* why;
        const char* shell; // lays the folder "p" out in "data"
        uid_t user;        // who must own it
        bool taken;
        bool ownerOnly; // what is at its path is owner-only afterwards
    } rows[] = {
        {"missing", "true", ::geteuid(), true, true},
        {"open to others", "mkdir -m 777 data/p", ::geteuid(), true, true},
        {"a link to a folder of ours", "mkdir mine && ln -s ../mine data/p", ::geteuid(), false, false},
        {"a file", "touch data/p", ::geteuid(), false, false},
        {"another user's", "mkdir data/p", ::geteuid() + 1, false, false},
        {"under a folder others may write", "chmod 777 data", ::geteuid(), false, true},
        {"under a sticky folder, as /tmp", "chmod 1777 data", ::geteuid(), true, true},
    };
    for (const auto& row : rows) {
        TempHome home;
        const QString folder = home.mkdir(QStringLiteral("data")) + QStringLiteral("/p");
        const QByteArray layout = "cd '" + QFile::encodeName(home.path()) + "' && " + row.shell;
        ASSERT_EQ(std::system(layout.constData()), 0) << row.why;
        EXPECT_EQ(ownerOnlyProbeFolder(home.file(QStringLiteral("data")), QStringLiteral("p"), row.user),
                  row.taken ? std::optional(folder) : std::nullopt)
            << row.why;
        struct stat st {};
        const bool ownerOnly =
            ::lstat(QFile::encodeName(folder).constData(), &st) == 0 && (st.st_mode & 07777) == 0700;
        EXPECT_EQ(ownerOnly, row.ownerOnly) << row.why;
    }
}
