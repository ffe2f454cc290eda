#include "journal/JournalExport.h"

#include <fcntl.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quorvex::journal {

namespace {

// Rows are formatted into memory and written in pieces of about this size.
constexpr std::size_t FlushSize = 1 << 20;

// A temporary file beside the target, removed unless it was renamed into place.
class TemporaryBeside {
public:
    // Made with the mode any file of the user's gets (mkstemp's would be 0600), never over a file.
    explicit TemporaryBeside(const std::string& target) {
        static std::atomic<unsigned> serial{0};
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            path_ = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) {
                break;
            }
        }
    }
    ~TemporaryBeside() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!renamed_) {
            ::unlink(path_.c_str());
        }
    }
    TemporaryBeside(const TemporaryBeside&) = delete;
    TemporaryBeside& operator=(const TemporaryBeside&) = delete;

    bool opened() const { return fd_ >= 0; }
    bool write(std::string& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t count = ::write(fd_, text.data() + done, text.size() - done);
            if (count < 0 && errno != EINTR) {
                return false;
            }
            done += count > 0 ? static_cast<std::size_t>(count) : 0;
        }
        text.clear();
        return true;
    }
    bool renameTo(const std::string& target) {
        if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
            fd_ = -1;
            return false;
        }
        fd_ = -1;
        renamed_ = ::rename(path_.c_str(), target.c_str()) == 0;
        return renamed_;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool renamed_ = false;
};

std::string failure(const std::string& target) {
    return target + ": " + std::strerror(errno);
}

}  // namespace

std::string exportJournal(JournalReader& reader, const JournalFilter& filter, ExportFormat format,
                          const std::string& target, ExportCounts& counts) {
    TemporaryBeside file(target);
    if (!file.opened()) {
        return failure(target);
    }
    const auto writer = makeExportFormatWriter(format);
    std::string text;
    writer->begin(text);
    bool written = true;
    const std::string error = reader.forEach(filter, [&](const JournalEntry& entry) {
        if (writer->row(entry, text)) {
            ++counts.written;
        } else {
            ++counts.unplaced;
        }
        if (text.size() >= FlushSize && written) {
            written = file.write(text);
        }
    });
    if (!error.empty()) {
        return error;
    }
    writer->end(text);
    if (!written || !file.write(text) || !file.renameTo(target)) {
        return failure(target);
    }
    return {};
}

}  // namespace quorvex::journal
