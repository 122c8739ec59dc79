#include "base/datafolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A program installed into a system folder never keeps its files beside itself,
// even where it may write there (as root); any other folder is the program's own.
TEST(DataFolder, SystemProgramFoldersAreNeverTheDataFolder)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString linkToUsrBin = QDir(scratch.path()).filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/usr/bin"), linkToUsrBin));
    const std::tuple<const char *, QString, bool> cases[] = {
        {"usr-bin", QStringLiteral("/usr/bin"), true},
        {"usr-bin-trailing-slash", QStringLiteral("/usr/bin/"), true},
        {"usr-local-bin", QStringLiteral("/usr/local/bin"), true},
        {"install-folder", QStringLiteral(QV_INSTALL_BINDIR), true},
        {"link-to-usr-bin", linkToUsrBin, true},
        {"build-folder", QStringLiteral(QV_CLI_PATH).section(u'/', 0, -2), false},
        {"other-folder", scratch.path(), false},
        {"missing-folder", QDir(scratch.path()).filePath(QStringLiteral("missing")), false},
    };
    for (const auto &[name, folder, system] : cases)
        EXPECT_EQ(isSystemProgramFolder(folder), system) << name;
}

} // namespace
