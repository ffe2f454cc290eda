#include "journal/JournalSpill.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace quorvex::journal {

namespace {

namespace fs = std::filesystem;

constexpr const char* SpillMark = ".spill-";
constexpr const char* ClaimMark = ".claimed-";

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 1);
    out += '=';
    for (const char c : text) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            static constexpr char Hex[] = "0123456789ABCDEF";
            out += '%';
            out += Hex[(static_cast<unsigned char>(c) >> 4) & 0xF];
            out += Hex[static_cast<unsigned char>(c) & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view field) {
    if (field.empty() || field[0] != '=') {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 1; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size()) {
            out += static_cast<char>(std::stoi(std::string(field.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += field[i];
        }
    }
    return out;
}

template <typename Number>
std::string numberField(const std::optional<Number>& value) {
    if (!value) {
        return {};
    }
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, *value).ptr;
    return "=" + std::string(buffer, end);
}

template <typename Number>
std::optional<Number> numberOf(std::string_view field) {
    Number value{};
    if (field.size() < 2 || field[0] != '=' ||
        std::from_chars(field.data() + 1, field.data() + field.size(), value).ec != std::errc()) {
        return std::nullopt;
    }
    return value;
}

class LineWriter {
public:
    explicit LineWriter(const std::map<SessionToken, std::int64_t>& sessionRows)
        : sessionRows_(sessionRows) {}

    void add(const JournalOperation& operation) {
        std::visit([this](const auto& each) { line(each); }, operation);
    }
    const std::string& text() const { return text_; }

private:
    std::string ref(SessionToken token) const {
        const auto found = sessionRows_.find(token);
        return found != sessionRows_.end() ? "r" + std::to_string(found->second)
                                           : "t" + std::to_string(token);
    }
    void put(std::initializer_list<std::string> fields) {
        bool first = true;
        for (const std::string& field : fields) {
            text_ += first ? "" : "\t";
            text_ += field;
            first = false;
        }
        text_ += '\n';
    }
    void line(const BeginSession& begin) {
        put({"B", "t" + std::to_string(begin.token), numberField(std::optional(begin.start.connected)),
             escaped(begin.start.port)});
    }
    void line(const DescribeUnit& unit) {
        put({"U", ref(unit.token), escaped(unit.unit.model), escaped(unit.unit.serialNumber),
             escaped(unit.unit.firmware)});
    }
    void line(const EndSession& end) {
        put({"E", ref(end.token), numberField(std::optional(end.ending.disconnected)),
             escaped(end.ending.reason), escaped(end.ending.text)});
    }
    void line(const AddEvent& add) {
        const EventRow& row = add.row;
        put({"A", ref(add.token), escaped(kindName(row.kind)), numberField(row.unitTime),
             numberField(std::optional(row.received)), numberField(row.channel), escaped(row.channelName),
             numberField(row.latitude), numberField(row.longitude), numberField(row.elevation),
             numberField(row.gpsQuality), numberField(row.hdop), escaped(row.folder), escaped(row.note)});
    }
    void line(const EditNote& note) {
        put({"N", numberField(std::optional(note.eventId)), escaped(note.note)});
    }

    const std::map<SessionToken, std::int64_t>& sessionRows_;
    std::string text_;
};

class LineReader {
public:
    LineReader(JournalSpill::Claimed& claimed, SessionToken& nextToken)
        : claimed_(claimed), next_(nextToken) {}

    void read(const std::string& line) {
        std::vector<std::string_view> f;
        std::string_view rest(line);
        for (std::size_t tab; (tab = rest.find('\t')) != std::string_view::npos;
             rest.remove_prefix(tab + 1)) {
            f.push_back(rest.substr(0, tab));
        }
        f.push_back(rest);
        if (f[0] == "B" && f.size() == 4) {
            claimed_.operations.push_back(
                BeginSession{token(f[1]), {numberOf<Microseconds>(f[2]).value_or(0), text(f[3])}});
        } else if (f[0] == "U" && f.size() == 5) {
            claimed_.operations.push_back(DescribeUnit{token(f[1]), {text(f[2]), text(f[3]), text(f[4])}});
        } else if (f[0] == "E" && f.size() == 5) {
            claimed_.operations.push_back(
                EndSession{token(f[1]), {numberOf<Microseconds>(f[2]).value_or(0), text(f[3]), text(f[4])}});
        } else if (f[0] == "N" && f.size() == 3) {
            claimed_.operations.push_back(EditNote{numberOf<std::int64_t>(f[1]).value_or(0), text(f[2])});
        } else if (f[0] == "A" && f.size() == 14) {
            EventRow row;
            row.kind = kindNamed(text(f[2])).value_or(EventKind::Passage);
            row.unitTime = numberOf<Microseconds>(f[3]);
            row.received = numberOf<Microseconds>(f[4]).value_or(0);
            row.channel = numberOf<std::int64_t>(f[5]);
            row.channelName = text(f[6]);
            row.latitude = numberOf<double>(f[7]);
            row.longitude = numberOf<double>(f[8]);
            row.elevation = numberOf<double>(f[9]);
            row.gpsQuality = numberOf<std::int64_t>(f[10]);
            row.hdop = numberOf<double>(f[11]);
            row.folder = text(f[12]);
            row.note = text(f[13]);
            claimed_.operations.push_back(AddEvent{token(f[1]), std::move(row)});
        }
    }

private:
    static std::string text(std::string_view field) { return unescaped(field).value_or(std::string()); }

    // The spill's own token for a session: a begin row's, or a session on disk.
    SessionToken token(std::string_view ref) {
        if (ref.size() < 2) {
            return 0;
        }
        std::int64_t number = 0;
        std::from_chars(ref.data() + 1, ref.data() + ref.size(), number);
        const std::string key(ref);
        const auto [found, added] = tokens_.try_emplace(key, next_);
        if (added) {
            ++next_;
            if (ref[0] == 'r') {
                claimed_.sessionRows[found->second] = number;
            }
        }
        return found->second;
    }

    JournalSpill::Claimed& claimed_;
    SessionToken& next_;
    std::map<std::string, SessionToken> tokens_;
};

bool processAlive(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// The pid after a mark in a file name, or 0.
long pidAfter(const std::string& name, const char* mark) {
    const std::size_t at = name.find(mark);
    if (at == std::string::npos) {
        return 0;
    }
    long pid = 0;
    const char* begin = name.data() + at + std::strlen(mark);
    const char* end = name.data() + name.size();
    const auto parsed = std::from_chars(begin, end, pid);
    return parsed.ec == std::errc() ? pid : 0;
}

// Whether the spill may be taken now: its writer and any claimer have ended.
bool claimable(const std::string& name) {
    const long writer = pidAfter(name, SpillMark);
    const long claimer = pidAfter(name, ClaimMark);
    return writer != 0 && writer != ::getpid() && !processAlive(writer) && !processAlive(claimer);
}

void syncFolder(const std::string& path) {
    const std::string folder =
        fs::path(path).parent_path().empty() ? "." : fs::path(path).parent_path().string();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::string JournalSpill::pathOf(const std::string& journalPath) {
    return journalPath + SpillMark + std::to_string(::getpid());
}

std::string JournalSpill::append(const std::string& journalPath, std::span<const JournalOperation> operations,
                                 const std::map<SessionToken, std::int64_t>& sessionRows) {
    LineWriter writer(sessionRows);
    for (const JournalOperation& operation : operations) {
        writer.add(operation);
    }
    const std::string path = pathOf(journalPath);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return std::strerror(errno);
    }
    const std::string& text = writer.text();
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            const std::string error = std::strerror(errno);
            ::close(fd);
            return error;
        }
        done += static_cast<std::size_t>(wrote);
    }
    const bool synced = ::fsync(fd) == 0;
    const std::string error = synced ? std::string() : std::strerror(errno);
    ::close(fd);
    syncFolder(path);
    return error;
}

std::vector<JournalSpill::Claimed> JournalSpill::claimAll(const std::string& journalPath,
                                                          SessionToken firstToken) {
    const fs::path journal(journalPath);
    const fs::path folder = journal.parent_path().empty() ? fs::path(".") : journal.parent_path();
    const std::string prefix = journal.filename().string() + SpillMark;
    std::vector<std::pair<fs::file_time_type, fs::path>> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && entry.is_regular_file(error) && claimable(name)) {
            found.emplace_back(entry.last_write_time(error), entry.path());
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<Claimed> claimed;
    SessionToken next = firstToken;
    for (const auto& [time, path] : found) {
        std::string name = path.filename().string();
        const std::string original = name.substr(0, name.find(ClaimMark));
        const fs::path mine = folder / (original + ClaimMark + std::to_string(::getpid()));
        // Renaming is the claim: of two programs opening the journal, one takes the file.
        if (::rename(path.c_str(), mine.c_str()) != 0) {
            continue;
        }
        Claimed each{mine.string(), (folder / original).string(), {}, {}};
        std::ifstream in(mine, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        LineReader reader(each, next);
        const std::string all = text.str();
        // A line cut short by the end of its writer is not read.
        for (std::size_t begin = 0, end; (end = all.find('\n', begin)) != std::string::npos;
             begin = end + 1) {
            reader.read(all.substr(begin, end - begin));
        }
        claimed.push_back(std::move(each));
    }
    return claimed;
}

void JournalSpill::taken(const Claimed& claimed) {
    ::unlink(claimed.path.c_str());
    syncFolder(claimed.path);
}

void JournalSpill::release(const Claimed& claimed) {
    ::rename(claimed.path.c_str(), claimed.from.c_str());
}

}  // namespace quorvex::journal
