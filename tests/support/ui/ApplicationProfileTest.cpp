#include "support/logging/LogBeacon.h"
#include "support/ui/ApplicationProfile.h"
#include "tests/helpers/OffscreenApplication.h"
#include "tests/support/logging/RecordingListener.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>

namespace {

using quorvex::test::RecordedEntry;
using quorvex::test::RecordingListener;
using zeph::windows::ui::ApplicationProfile;

class ApplicationProfileTest : public ::testing::Test {
public:
    void SetUp() override {
        quorvex::test::offscreenApplication();
        ASSERT_TRUE(folder_.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder_.path());
        ASSERT_TRUE(QDir().mkpath(folder_.path() + "/quorvex"));
    }

    static std::string profile() { return QFile::encodeName(ApplicationProfile::fileName()).toStdString(); }
    // A file beside the profile.
    static std::string beside(const char* name) {
        return QFileInfo(ApplicationProfile::fileName()).path().toStdString() + "/" + name;
    }

    static void writeFile(const std::string& path, const QByteArray& bytes) {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(bytes.size(), file.write(bytes));
    }
    static QByteArray readFile(const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    // Reads and writes the profile on a thread of its own; a read that blocks on a FIFO is let go
    // by opening that FIFO for writing, and reported as the fault it is.
    static bool readAndWriteWithoutBlocking(const std::string& fifo, std::wstring& read, bool& written) {
        auto work = std::async(std::launch::async, [&] {
            read = ApplicationProfile::getProfileString(L"Log Filter Dialog", L"Rectangle", L"none");
            written = ApplicationProfile::writeProfileString(L"Log Filter Dialog", L"Rectangle",
                                                             L"0001 0002 0003 0004");
            ApplicationProfile::getProfileInt(L"Log Filter Dialog", L"Iconized", 0);
        });
        if (work.wait_for(std::chrono::seconds(5)) == std::future_status::ready) {
            return true;
        }
        while (work.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ::close(fd);
            }
        }
        return false;
    }

    QTemporaryDir folder_;
};

TEST_F(ApplicationProfileTest, AnythingButASmallSoundRegularFileIsLeftAloneWithoutBlockingAndToldOnce) {
    const QByteArray sound = "[Log%20Filter%20Dialog]\nRectangle=0100 0120 0400 0320\n";
    QByteArray large = sound;
    while (large.size() <= 1024 * 1024) {
        large += "; a comment that makes the profile larger than any profile of ours\n";
    }
    struct Case {
        const char* what;
        std::function<void(ApplicationProfileTest&)> make;
        const char* reason;
        std::function<bool(ApplicationProfileTest&)> untouched;
    };
    const Case cases[] = {
        {"a FIFO", [](auto&) { ::mkfifo(profile().c_str(), 0600); }, "it is not a regular file",
         [](auto&) {
             struct stat s {};
             return ::lstat(profile().c_str(), &s) == 0 && S_ISFIFO(s.st_mode);
         }},
        // Stands for a link to a device node: a rename over its target would replace it.
        {"a link to a FIFO",
         [](auto& test) {
             ::mkfifo(test.beside("device").c_str(), 0600);
             ::symlink(test.beside("device").c_str(), profile().c_str());
         },
         "it is not a regular file",
         [](auto& test) {
             struct stat s {};
             struct stat link {};
             return ::stat(test.beside("device").c_str(), &s) == 0 && S_ISFIFO(s.st_mode) &&
                    ::lstat(profile().c_str(), &link) == 0 && S_ISLNK(link.st_mode);
         }},
        {"a folder", [](auto&) { QDir().mkpath(QString::fromStdString(profile())); },
         "it is not a regular file",
         [](auto&) { return QFileInfo(QString::fromStdString(profile())).isDir(); }},
        {"over 1 MB", [&](auto&) { writeFile(profile(), large); }, "it is larger than 1 MB",
         [&](auto&) { return readFile(profile()) == large; }},
        {"damaged", [](auto&) { writeFile(profile(), QByteArray("\x00\xff\x13garbage\n[[[\n=\n", 16)); },
         "it is damaged",
         [](auto&) { return readFile(profile()) == QByteArray("\x00\xff\x13garbage\n[[[\n=\n", 16); }},
    };
    auto& beacon = zeph::windows::logging::LogBeacon::instance();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A profile of its own: what the log told of another is not told again.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder_.path() + "/" + c.what);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(ApplicationProfile::fileName()).path()));
        c.make(*this);
        std::vector<RecordedEntry> journal;
        RecordingListener listener("log", journal);
        ASSERT_EQ(0u, listener.attach());
        std::wstring read;
        bool written = true;
        const bool answered = readAndWriteWithoutBlocking(
            QFileInfo(QString::fromStdString(profile())).isSymLink() ? beside("device") : profile(), read,
            written);
        EXPECT_TRUE(answered) << "the window thread would hang on open()";
        EXPECT_EQ(L"none", read);
        EXPECT_FALSE(written);
        EXPECT_TRUE(c.untouched(*this));
        beacon.flush();
        const std::wstring told = L"The profile " + ApplicationProfile::fileName().toStdWString() +
                                  L" is ignored: " + zeph::platform::widen(c.reason) + L".";
        int times = 0;
        for (const RecordedEntry& entry : journal) {
            times += entry.message == told ? 1 : 0;
        }
        EXPECT_EQ(1, times) << "told once: " << zeph::platform::narrow(told);
    }
}

TEST_F(ApplicationProfileTest, ALinkToARegularFileIsReadAndWrittenThroughAndStaysALink) {
    writeFile(beside("kept.ini"), "[Log%20Filter%20Dialog]\nRectangle=0100 0120 0400 0320\n");
    ASSERT_EQ(0, ::symlink(beside("kept.ini").c_str(), profile().c_str()));
    EXPECT_EQ(L"0100 0120 0400 0320",
              ApplicationProfile::getProfileString(L"Log Filter Dialog", L"Rectangle", L"none"));
    EXPECT_TRUE(
        ApplicationProfile::writeProfileString(L"Log Filter Dialog", L"Rectangle", L"0001 0002 0003 0004"));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(profile())).isSymLink());
    EXPECT_TRUE(readFile(beside("kept.ini")).contains("Rectangle=0001 0002 0003 0004"));
}

}  // namespace
