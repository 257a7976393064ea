// The last step of a job's output: the finished temporary takes the output's name only when the
// name is still a regular file or free, whatever was put there while the job was writing.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include "batch/batch_command.h"
#include "batch/job_output.h"

namespace tabel::batch {
namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

mode_t lmode(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

TEST(JobOutput, TheNameIsTakenOnlyWhenItIsStillARegularFileOrFree) {
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath("victim");
    ASSERT_TRUE(writeBytes(victim, "victim"));
    const auto link = [](const QString& target) {
        return [target](const QString& name) {
            return ::symlink(QFile::encodeName(target).constData(),
                             QFile::encodeName(name).constData()) == 0;
        };
    };
    const struct {
        const char* what;
        // Puts something under the name while the job writes; nothing when empty.
        std::function<bool(const QString& name)> meanwhile;
        bool placed;  // the job's bytes end up under the name
    } cases[] = {
        {"a free name that stays free", {}, true},
        {"a regular file that appears", [](const QString& name) { return writeBytes(name, "x"); },
         true},
        {"a link to a file", link(victim), false},
        {"a dangling link", link(elsewhere.filePath("not-there")), false},
        {"a FIFO",
         [](const QString& name) {
             return ::mkfifo(QFile::encodeName(name).constData(), 0644) == 0;
         },
         false},
        {"a folder", [](const QString& name) { return QDir().mkdir(name); }, false},
    };
    for (const auto& c : cases) {
        QTemporaryDir folder;
        const QString name = folder.filePath("out.pdf");
        QString written;
        bool refused = false;
        try {
            writeJobOutput(name, QStringLiteral("Отчет"),
                           [&](const QString& temporary, const reportengine::ProgressFn&) {
                               written = temporary;
                               if (c.meanwhile && !c.meanwhile(name)) {
                                   return QStringLiteral("the case could not be set up");
                               }
                               return writeBytes(temporary, "job's bytes")
                                          ? QString()
                                          : QStringLiteral("not written");
                           });
        } catch (const UsageError& error) {
            refused = true;
            EXPECT_TRUE(error.message().startsWith(QStringLiteral("Файл результата ") + name +
                                                   QStringLiteral(" не записан: это ")))
                << c.what << ": " << error.message().toStdString();
        }
        EXPECT_EQ(!refused, c.placed) << c.what;
        // Written beside the output, under a hidden name of its own.
        EXPECT_EQ(QFileInfo(written).absolutePath(), folder.path()) << c.what;
        EXPECT_TRUE(QFileInfo(written).fileName().startsWith(QStringLiteral(".out.pdf.")))
            << c.what;
        EXPECT_FALSE(QFileInfo::exists(written)) << c.what << ": no temporary is left";
        if (c.placed) {
            EXPECT_TRUE(S_ISREG(lmode(name))) << c.what;
            EXPECT_EQ(bytesOf(name), "job's bytes") << c.what;
        } else {
            EXPECT_FALSE(S_ISREG(lmode(name))) << c.what << ": what was put there stays";
        }
        EXPECT_EQ(bytesOf(victim), "victim") << c.what;
        EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{"victim"})
            << c.what;
    }
}

// A job that fails leaves the name as it was and no temporary behind.
TEST(JobOutput, AFailedJobLeavesTheOldFile) {
    QTemporaryDir folder;
    const QString name = folder.filePath("out.csv");
    ASSERT_TRUE(writeBytes(name, "old"));
    try {
        writeJobOutput(name, QStringLiteral("История"),
                       [](const QString& temporary, const reportengine::ProgressFn&) {
                           writeBytes(temporary, "half");
                           return QStringLiteral("диск заполнен");
                       });
        ADD_FAILURE() << "the failure was not reported";
    } catch (const JobFailure& failure) {
        EXPECT_EQ(failure.message(), QStringLiteral("Не удалось записать файл ") + name +
                                         QStringLiteral(": диск заполнен"));
    }
    EXPECT_EQ(bytesOf(name), "old");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"out.csv"});
}

}  // namespace
}  // namespace tabel::batch
