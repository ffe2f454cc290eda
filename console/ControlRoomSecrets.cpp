#include "console/ControlRoomSecrets.h"

#include "support/ui/ApplicationProfile.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace quorvex::console {

namespace {

const QString Service = QStringLiteral("quorvex-console control room");

std::atomic<ControlRoomSecrets::Place> lastPlace{ControlRoomSecrets::Place::Keyring};

// Runs a keychain job to its end; whether a keyring answered (an entry not found is an answer).
bool finished(QKeychain::Job& job) {
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    const bool answered = job.error() == QKeychain::NoError || job.error() == QKeychain::EntryNotFound;
    lastPlace = answered ? ControlRoomSecrets::Place::Keyring : ControlRoomSecrets::Place::File;
    return answered;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Created 0600 (and made so, should it exist), so that no other user may read it at any time.
bool writeFile(const std::string& path, const std::string& secret) {
    if (secret.empty()) {
        return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written = ::fchmod(fd, 0600) == 0 &&
                         ::write(fd, secret.data(), secret.size()) == static_cast<ssize_t>(secret.size());
    return ::close(fd) == 0 && written;
}

}  // namespace

std::string ControlRoomSecrets::filePath(const std::string& name) {
    const QString folder = QFileInfo(zeph::windows::ui::ApplicationProfile::fileName()).absolutePath();
    return folder.toStdString() + "/control-room-" + name + ".secret";
}

std::string ControlRoomSecrets::read(const std::string& name) {
    QKeychain::ReadPasswordJob job(Service);
    job.setKey(QString::fromStdString(name));
    if (finished(job)) {
        return job.error() == QKeychain::NoError ? job.textData().toStdString() : std::string();
    }
    return readFile(filePath(name));
}

bool ControlRoomSecrets::write(const std::string& name, const std::string& secret) {
    if (secret.empty()) {
        QKeychain::DeletePasswordJob job(Service);
        job.setKey(QString::fromStdString(name));
        finished(job);
        return writeFile(filePath(name), {});
    }
    QKeychain::WritePasswordJob job(Service);
    job.setKey(QString::fromStdString(name));
    job.setTextData(QString::fromStdString(secret));
    if (finished(job)) {
        writeFile(filePath(name), {});  // the keyring has it now: no copy stays behind
        return true;
    }
    return writeFile(filePath(name), secret);
}

ControlRoomSecrets::Place ControlRoomSecrets::place() {
    return lastPlace;
}

std::string ControlRoomSecrets::placeText() {
    return place() == Place::Keyring ? "The passwords are kept in the desktop's keyring."
                                     : "No keyring answered: the passwords are kept in " + filePath("*") +
                                           ", readable by you alone.";
}

}  // namespace quorvex::console
