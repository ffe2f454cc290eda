#include "journal/JournalExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

namespace quorvex::journal {

namespace {

// Rows are formatted into memory and written in pieces of about this size.
constexpr std::size_t FlushSize = 1 << 20;

// Every piece of the text to a descriptor; false with errno on failure.
bool writeAll(int fd, std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count < 0 && errno != EINTR) {
            return false;
        }
        done += count > 0 ? static_cast<std::size_t>(count) : 0;
    }
    text.clear();
    return true;
}

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
    bool write(std::string& text) { return writeAll(fd_, text); }
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

// A named pipe, a device or a folder is not a file an export may replace.
std::string unfitTarget(const std::string& target) {
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) != 0 || S_ISREG(existing.st_mode) || S_ISLNK(existing.st_mode)) {
        return {};
    }
    return target + ": not a regular file; give a file name, or - for standard output";
}

// Formats the filter's rows, handing the text on in pieces to `write` (false: stop).
std::string formatRows(JournalReader& reader, const JournalFilter& filter, ExportFormat format,
                       ExportCounts& counts, const std::function<bool(std::string&)>& write,
                       const std::function<bool()>& stopped) {
    const auto writer = makeExportFormatWriter(format);
    std::string text;
    writer->begin(text);
    bool written = true;
    bool cancelled = false;
    const std::string error = reader.forEach(
        filter,
        [&](const JournalEntry& entry) {
            counts.unplaced += hasPoint(entry.event) ? 0 : 1;
            counts.written += writer->row(entry, text) ? 1 : 0;
            if (text.size() >= FlushSize && written) {
                written = write(text);
            }
        },
        [&] { return cancelled = stopped && stopped(); });
    if (!error.empty()) {
        return error;
    }
    if (cancelled) {
        return ExportCancelled;
    }
    writer->end(text);
    return written && write(text) ? std::string() : "-";
}

// Hands `produce` a way to write to the target: standard output, or a temporary file beside
// the target renamed into place once `produce` returned "" ("-" from it: the write failed).
std::string writeTarget(const std::string& target,
                        const std::function<std::string(const std::function<bool(std::string&)>&)>& produce) {
    if (target == StandardOutput) {
        const std::string error = produce([](std::string& text) { return writeAll(STDOUT_FILENO, text); });
        return error == "-" ? failure("standard output") : error;
    }
    if (std::string unfit = unfitTarget(target); !unfit.empty()) {
        return unfit;
    }
    TemporaryBeside file(target);
    if (!file.opened()) {
        return failure(target);
    }
    const std::string error = produce([&](std::string& text) { return file.write(text); });
    if (error == "-" || (error.empty() && !file.renameTo(target))) {
        return failure(target);
    }
    return error;
}

}  // namespace

std::string exportJournal(JournalReader& reader, const JournalFilter& filter, ExportFormat format,
                          const std::string& target, ExportCounts& counts,
                          const std::function<bool()>& stopped) {
    return writeTarget(target, [&](const std::function<bool(std::string&)>& write) {
        return formatRows(reader, filter, format, counts, write, stopped);
    });
}

std::string exportText(std::string text, const std::string& target) {
    return writeTarget(target, [&](const std::function<bool(std::string&)>& write) {
        return write(text) ? std::string() : "-";
    });
}

}  // namespace quorvex::journal
