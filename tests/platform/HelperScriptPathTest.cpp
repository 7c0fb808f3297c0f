#include "platform/HelperScriptPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qvx;

namespace {

// A prefix laid out like the build tree (script beside the executable) or an installation
// (bin/ and libexec/qvxfinder/), in a temporary folder.
class HelperScriptPathTest : public ::testing::Test {
protected:
    QString path(const QString &relative) const { return QDir(root.path()).filePath(relative); }
    void createFile(const QString &relative)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path(relative)).path()));
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QTemporaryDir root;
};

} // namespace

TEST_F(HelperScriptPathTest, FindsTheScriptBesideTheExecutableInTheBuildTree)
{
    createFile("build/clearArp.sh");
    EXPECT_EQ(helperScriptPath(path("build"), "clearArp.sh"), path("build/clearArp.sh"));
}

TEST_F(HelperScriptPathTest, FindsTheInstalledScriptUnderLibexec)
{
    createFile("usr/bin/qvxfinder");
    createFile("usr/libexec/qvxfinder/clearArp.sh");
    EXPECT_EQ(helperScriptPath(path("usr/bin"), "clearArp.sh"), path("usr/libexec/qvxfinder/clearArp.sh"));
}

// Neither the current folder nor a folder that merely looks alike is searched: with no
// script in either layout, the answer stays the (missing) file beside the executable.
TEST_F(HelperScriptPathTest, NeverLooksAnywhereElse)
{
    createFile("usr/bin/qvxfinder");
    createFile("usr/clearArp.sh");
    createFile("usr/libexec/clearArp.sh");
    createFile("libexec/qvxfinder/clearArp.sh");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(path("usr")));
    const QString found = helperScriptPath(path("usr/bin"), "clearArp.sh");
    QDir::setCurrent(previous);
    EXPECT_EQ(found, path("usr/bin/clearArp.sh"));
}

// A folder of that name is not a script.
TEST_F(HelperScriptPathTest, IgnoresAFolderOfTheScriptsName)
{
    ASSERT_TRUE(QDir().mkpath(path("usr/bin/clearArp.sh")));
    createFile("usr/libexec/qvxfinder/clearArp.sh");
    EXPECT_EQ(helperScriptPath(path("usr/bin"), "clearArp.sh"), path("usr/libexec/qvxfinder/clearArp.sh"));
}
