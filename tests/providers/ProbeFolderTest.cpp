#include "providers/ProbeFolder.h"

#include "support/QtPrinters.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <functional>

#include <gtest/gtest.h>

using namespace meterix;
using meterix::test::TempHome;

namespace {

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

// A client works with the user's rights in this folder: made owner-only, and
// refused when anyone but the user could have prepared it.
TEST(ProbeFolder, MadeOwnerOnlyAndRefusedWhenOthersCouldHavePreparedIt) {
    const struct {
        const char* why;
        std::function<void(const TempHome&, const QString& folder)> prepare;
        uid_t user; // who must own it
        bool taken;
    } rows[] = {
        {"missing, with its data folder", [](const TempHome&, const QString&) {}, ::geteuid(), true},
        {"there, open to others",
         [](const TempHome&, const QString& f) {
             QDir().mkpath(f);
             ::chmod(QFile::encodeName(f).constData(), 0777);
         },
         ::geteuid(), true},
        {"a link to a folder of ours",
         [](const TempHome& h, const QString& f) {
             QDir().mkpath(QFileInfo(f).path());
             QFile::link(h.mkdir(QStringLiteral("mine")), f);
         },
         ::geteuid(), false},
        {"a file", [](const TempHome& h, const QString& f) { h.write(f.mid(h.path().size() + 1), "x"); }, ::geteuid(), false},
        {"another user's", [](const TempHome&, const QString& f) { QDir().mkpath(f); }, ::geteuid() + 1, false},
    };
    for (const auto& row : rows) {
        TempHome home;
        const QString data = home.file(QStringLiteral("data"));
        const QString folder = data + QStringLiteral("/Meterix-Probe");
        row.prepare(home, folder);
        const std::optional<QString> taken = ownerOnlyProbeFolder(data, QStringLiteral("Meterix-Probe"), row.user);
        EXPECT_EQ(taken, row.taken ? std::optional(folder) : std::nullopt) << row.why;
        if (row.taken) {
            EXPECT_EQ(modeOf(folder), 0700u) << row.why;
        }
    }
}
