#include "platform/HelperScriptPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qvx;

// The script beside the executable (build tree) or under libexec/qvxfinder/ (installed), in a
// temporary folder laid out per case. Neither the current folder nor a folder that merely
// looks alike is searched, and a folder of the script's name is not the script; with no
// script in either layout the answer stays the (missing) file beside the executable.
TEST(HelperScriptPathTest, LooksBesideTheExecutableThenUnderLibexecOnly)
{
    const struct { QStringList files, folders; const char *executableDir, *expected; } cases[] = {
        {{"build/clearArp.sh"}, {}, "build", "build/clearArp.sh"},
        {{"usr/bin/qvxfinder", "usr/libexec/qvxfinder/clearArp.sh"}, {}, "usr/bin", "usr/libexec/qvxfinder/clearArp.sh"},
        {{"usr/bin/qvxfinder", "usr/clearArp.sh", "usr/libexec/clearArp.sh", "libexec/qvxfinder/clearArp.sh"}, {},
         "usr/bin", "usr/bin/clearArp.sh"},
        {{"usr/libexec/qvxfinder/clearArp.sh"}, {"usr/bin/clearArp.sh"}, "usr/bin", "usr/libexec/qvxfinder/clearArp.sh"},
    };
    for (const auto &c : cases) {
        QTemporaryDir root;
        const auto path = [&](const QString &relative) { return QDir(root.path()).filePath(relative); };
        for (const QString &file : c.files) {
            ASSERT_TRUE(QDir().mkpath(QFileInfo(path(file)).path()));
            QFile f(path(file));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        for (const QString &folder : c.folders)
            ASSERT_TRUE(QDir().mkpath(path(folder)));
        const QString previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(path("usr")) || QDir::setCurrent(root.path()));
        const QString found = helperScriptPath(path(c.executableDir), "clearArp.sh");
        QDir::setCurrent(previous);
        EXPECT_EQ(found, path(c.expected)) << c.expected;
    }
}
