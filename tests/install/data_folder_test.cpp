#include "platform/data_folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A prefix with bin/ and share/rinkfall/Library, laid out as an installation puts them.
class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("bin")));
        ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("share/rinkfall/Library")));
    }

    QString bin() const { return root.filePath(QStringLiteral("bin")); }
    QString installedData() const { return root.filePath(QStringLiteral("share/rinkfall")); }

    QTemporaryDir root;
};

TEST_F(DataFolderTest, LibraryBesideTheProgramMeansABuild)
{
    ASSERT_TRUE(QDir(bin()).mkdir(QStringLiteral("Library")));
    EXPECT_EQ(platform::dataFolder(bin()), bin());
}

TEST_F(DataFolderTest, InstalledProgramReadsTheSharedFolderBesideItsOwn)
{
    // No "..": the path shows up in the messages about a missing file.
    EXPECT_EQ(platform::dataFolder(bin()), installedData());
    EXPECT_EQ(platform::dataFolder(bin() + QLatin1Char('/')), installedData());

    // Found from wherever the program is, never from a place fixed when it was built.
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("moved/bin")));
    EXPECT_EQ(platform::dataFolder(root.filePath(QStringLiteral("moved/bin"))),
              root.filePath(QStringLiteral("moved/share/rinkfall")));
}

TEST_F(DataFolderTest, AFileCalledLibraryIsNoBuild)
{
    QFile stray(bin() + QStringLiteral("/Library"));
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();
    EXPECT_EQ(platform::dataFolder(bin()), installedData());
}

} // namespace
