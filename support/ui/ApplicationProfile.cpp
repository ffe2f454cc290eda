#include "support/ui/ApplicationProfile.h"

#include "support/logging/LogBeacon.h"

#include <QFileInfo>
#include <QSettings>
#include <QVariant>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <set>

namespace zeph::windows::ui {

namespace {

constexpr const char* kOrganisation = "quorvex";
constexpr const char* kApplication = "quorvex-console";
// A placement takes a few lines; a profile far larger is not ours and would take long to read.
constexpr off_t kMaximumSize = 1024 * 1024;

// Where Qt keeps a user's INI files, found without opening the profile itself (which could be
// a FIFO that blocks an open for good).
QString profilePath() {
    const QSettings probe(QSettings::IniFormat, QSettings::UserScope,
                          QStringLiteral(".quorvex-profile-probe"));
    return QFileInfo(probe.fileName()).absolutePath() + QLatin1Char('/') + QLatin1String(kOrganisation) +
           QLatin1Char('/') + QLatin1String(kApplication) + QStringLiteral(".ini");
}

// Which file was looked at, in the state it was in: the same identity is the same content.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Why the profile at the path is not to be read or written, or "" when it may be: no file yet,
// or a regular file (a link to one is fine) small enough to read. Opening never blocks.
std::string whyUnusable(const QString& path, FileIdentity& identity) {
    const QByteArray name = QFile::encodeName(path);
    struct stat attributes {};
    if (::lstat(name.constData(), &attributes) != 0 && errno == ENOENT) {
        return {};
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return std::string("it cannot be opened (") + std::strerror(errno) + ")";
    }
    const int statResult = ::fstat(fd, &attributes);
    ::close(fd);
    if (statResult != 0 || !S_ISREG(attributes.st_mode)) {
        return "it is not a regular file";
    }
    if (attributes.st_size > kMaximumSize) {
        return "it is larger than 1 MB";
    }
    identity = {attributes.st_dev, attributes.st_ino, attributes.st_size,
                attributes.st_mtim.tv_sec * 1000000000LL + attributes.st_mtim.tv_nsec};
    return {};
}

// Each reason is told once: the profile is read every time a window is placed.
void reportIgnored(const QString& path, const std::string& reason) {
    static std::set<std::string> told;
    const std::string line = path.toStdString() + ": " + reason;
    if (told.insert(line).second) {
        logging::LogBeacon::log("zeph::windows::ui::ApplicationProfile", logging::Warning,
                                L"The profile %hs is ignored: %hs.", path.toStdString(), reason);
    }
}

// The profile to read and write, or nothing when it must be left alone. A damaged profile is not
// rewritten either: Qt would write back only the part it understood.
std::unique_ptr<QSettings> openProfile() {
    // Qt keeps what it parsed of a file that has not changed and reports its damage only on the
    // first parse, so damage found once is remembered for as long as the file stays as it was.
    static std::map<QString, FileIdentity> damaged;
    const QString path = profilePath();
    FileIdentity identity;
    std::string reason = whyUnusable(path, identity);
    const auto known = damaged.find(path);
    if (reason.empty() && known != damaged.end() && known->second == identity) {
        reason = "it is damaged";
    }
    if (reason.empty()) {
        auto profile = std::make_unique<QSettings>(path, QSettings::IniFormat);
        if (profile->status() == QSettings::NoError) {
            return profile;
        }
        if (profile->status() == QSettings::FormatError) {
            damaged[path] = identity;
            reason = "it is damaged";
        } else {
            reason = "it cannot be read";
        }
    }
    reportIgnored(path, reason);
    return nullptr;
}

QString keyOf(const std::wstring& section, const std::wstring& entry) {
    return QString::fromStdWString(section) + QLatin1Char('/') + QString::fromStdWString(entry);
}

std::optional<QVariant> read(const std::wstring& section, const std::wstring& entry) {
    const std::unique_ptr<QSettings> profile = openProfile();
    if (!profile) {
        return std::nullopt;
    }
    const QVariant value = profile->value(keyOf(section, entry));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value;
}

bool write(const std::wstring& section, const std::wstring& entry, const QVariant& value) {
    const std::unique_ptr<QSettings> profile = openProfile();
    if (!profile) {
        return false;
    }
    profile->setValue(keyOf(section, entry), value);
    profile->sync();
    return profile->status() == QSettings::NoError;
}

}  // namespace

std::wstring ApplicationProfile::getProfileString(const std::wstring& section, const std::wstring& entry,
                                                  const std::wstring& fallback) {
    const std::optional<QVariant> value = read(section, entry);
    if (!value || value->typeId() != QMetaType::QString) {
        return fallback;
    }
    return value->toString().toStdWString();
}

int ApplicationProfile::getProfileInt(const std::wstring& section, const std::wstring& entry, int fallback) {
    const std::optional<QVariant> value = read(section, entry);
    bool isNumber = false;
    const int number = value ? value->toInt(&isNumber) : fallback;
    return isNumber ? number : fallback;
}

bool ApplicationProfile::writeProfileString(const std::wstring& section, const std::wstring& entry,
                                            const std::wstring& value) {
    return write(section, entry, QString::fromStdWString(value));
}

bool ApplicationProfile::writeProfileInt(const std::wstring& section, const std::wstring& entry, int value) {
    return write(section, entry, value);
}

QString ApplicationProfile::fileName() {
    return profilePath();
}

}  // namespace zeph::windows::ui
