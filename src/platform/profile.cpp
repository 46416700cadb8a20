#include "platform/profile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <exception>
#include <unordered_map>
#include <utility>

#include "platform/codepage.h"

namespace velmor {

ProfileWriteError::ProfileWriteError(const std::string& path)
    : std::runtime_error("Unable to write to " + path), path_(path) {}

namespace {

// Longest value text a read returns, in characters of the file's code page (a character that the
// code page lacks counts as one).
constexpr std::size_t kMaxValueLength = 2047;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isAscii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// ASCII without line breaks: a name or value that is written as it is.
bool plainAscii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\r' || c == '\n') return false;
    }
    return true;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Case folding of UTF-8 names: the letters Windows-1251 holds fold as in that code page, every
// other character stays as it is (so two different Chinese names do not become equal).
std::string foldUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out += (b >= 'a' && b <= 'z') ? static_cast<char>(b - 32) : static_cast<char>(b);
            ++i;
            continue;
        }
        std::size_t len = 1;
        if ((b & 0xE0) == 0xC0) {
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
        }
        if (i + len > s.size()) len = 1;
        const std::string_view ch = s.substr(i, len);
        if (len > 1 && fitsCp1251(ch)) {
            out += cp1251ToUtf8(cp1251Upper(utf8ToCp1251(ch)));
        } else {
            out += ch;
        }
        i += len;
    }
    return out;
}

// Identity of the file as last read or written, to notice changes made by someone else.
struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    std::int64_t mtimeSec = 0;
    std::int64_t mtimeNsec = 0;

    static FileStamp of(const struct stat& st) {
        FileStamp f;
        f.exists = true;
        f.dev = st.st_dev;
        f.ino = st.st_ino;
        f.size = st.st_size;
        f.mtimeSec = st.st_mtim.tv_sec;
        f.mtimeNsec = st.st_mtim.tv_nsec;
        return f;
    }
    bool operator==(const FileStamp&) const = default;
};

// One "[name]" header with the lines that follow it up to the next header.
struct Block {
    std::string header;             // the header line as on disk
    std::string folded;             // folded name (disk bytes)
    std::vector<std::string> body;  // lines after the header, as on disk
    // The index of the keys, made when the block is first looked into (a reading of the settings
    // looks into a few sections of many). Folded key -> index in body of its first line. Lines
    // after the last key line are never keys, so inserting there leaves these indexes valid.
    mutable bool indexed = false;
    mutable std::unordered_map<std::string, std::size_t> keys;
    mutable std::size_t keyCount = 0;  // number of key lines, duplicates included
    mutable std::size_t insertAt = 0;  // index just after the last key line (0: right after header)
};

// Classifies one line of a section body: a key line yields its key (trimmed) and the position
// of the "=".
bool parseKeyLine(std::string_view line, std::string_view& key, std::size_t& eq) {
    const std::string_view t = trimBlanks(line);
    if (t.empty() || t.front() == ';') return false;
    eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = trimBlanks(line.substr(0, eq));
    return true;
}

// Section name of a header line, or false when the line is no header.
bool parseHeader(std::string_view line, std::string_view& name) {
    const std::string_view t = trimBlanks(line);
    if (t.empty() || t.front() != '[') return false;
    const std::size_t close = t.rfind(']');
    if (close == std::string_view::npos || close == 0) return false;
    name = trimBlanks(t.substr(1, close - 1));
    return true;
}

// A pending change, kept until it reaches the disk so it can be applied again on top of a file
// that someone else changed in the meantime. Texts are in the file's code page.
struct Change {
    bool erase = false;
    std::string section;
    std::string key;
    std::string value;
};

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::atomic<unsigned> tempCounter{0};

// The temporary name of a flush by this process: "<file>.tmp-<pid>-<n>".
std::string tempName(const std::string& target, unsigned n) {
    return target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(n);
}

// Removes the temporary files that flushes of target left when their process was killed between
// creating and renaming them. A file of a process that still runs is its own business.
void removeStaleTemps(const std::string& target) {
    const std::string dir = directoryOf(target);
    const std::size_t slash = target.rfind('/');
    const std::string prefix =
        (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp-";
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    auto digits = [](std::string_view s) {
        return !s.empty() && s.size() < 10 &&
               s.find_first_not_of("0123456789") == std::string_view::npos;
    };
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        if (!name.starts_with(prefix)) continue;
        const std::string_view rest = name.substr(prefix.size());
        const std::size_t dash = rest.find('-');
        if (dash == std::string_view::npos || !digits(rest.substr(0, dash)) ||
            !digits(rest.substr(dash + 1))) {
            continue;
        }
        const pid_t pid = static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
        if (pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

}  // namespace

struct Profile::Impl {
    std::string path;
    Encoding encoding;

    // The parsed file.
    std::vector<std::string> preamble;  // lines before the first header
    std::vector<Block> blocks;
    std::unordered_map<std::string, std::size_t> sectionIndex;  // folded name -> first block
    bool bom = false;

    FileStamp stamp;          // the file as we last read or wrote it
    bool loaded = false;      // the file has been read at least once
    bool unreadable = false;  // it exists but could not be read: never replace it blindly
    std::vector<Change> pending;
    int batchDepth = 0;
    std::uint64_t writes = 0;

    // The last section looked up, as the caller spelled it: the settings read and write the keys
    // of one section after another, and the name need not be converted for each key.
    std::uint64_t layout = 0;  // changes whenever blocks come, go or move
    mutable std::uint64_t cachedLayout = ~std::uint64_t{0};
    mutable std::string cachedSection;
    mutable const Block* cachedBlock = nullptr;
    mutable std::string scratch;

    Impl(std::string p, Encoding e) : path(std::move(p)), encoding(e) {}

    // --- Text conversion -----------------------------------------------------------------

    std::string toDisk(std::string_view utf8) const {
        return encoding == Encoding::Cp1251 ? utf8ToCp1251Marked(utf8) : std::string(utf8);
    }
    std::string fromDisk(std::string_view bytes) const {
        return encoding == Encoding::Cp1251 ? cp1251MarkedToUtf8(bytes) : std::string(bytes);
    }
    std::string fold(std::string_view disk) const {
        return encoding == Encoding::Cp1251 ? cp1251Upper(disk) : foldUtf8(disk);
    }
    // fold into a buffer that keeps its room from one name to the next.
    void foldInto(std::string_view disk, std::string& out) const {
        if (encoding == Encoding::Utf8 && !isAscii(disk)) {
            out = foldUtf8(disk);
            return;
        }
        out.assign(disk);
        cp1251UpperInPlace(out);  // of plain ASCII, as UTF-8 here, only its letters change
    }
    // The section name of the last write, as given and as written: the settings write the keys of
    // one section after another.
    const std::string& diskSection(std::string_view utf8) {
        if (writtenSection != utf8 || writtenSectionDisk.empty()) {
            writtenSection.assign(utf8);
            writtenSectionDisk = diskName(utf8);
        }
        return writtenSectionDisk;
    }
    std::string writtenSection, writtenSectionDisk;

    // The folded disk form of a name, as the lookups use it (diskName, then fold), into out. Plain
    // ASCII, as nearly every name is, takes one pass without conversions.
    void foldedName(std::string_view utf8, std::string& out) const {
        if (!isAscii(utf8)) {
            out = fold(diskName(utf8));
            return;
        }
        out.assign(utf8);
        for (char& c : out) {
            if (c == '\r' || c == '\n') c = ' ';
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        }
        const std::string_view t = trimBlanks(out);
        if (t.size() != out.size()) out = std::string(t);
    }
    // A section or key name as it is written and looked up: line breaks become blanks, blanks
    // around it are dropped (the reader drops them too).
    std::string diskName(std::string_view utf8) const {
        std::string s = isAscii(utf8) ? std::string(utf8) : toDisk(utf8);
        for (char& c : s) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        return std::string(trimBlanks(s));
    }
    // The disk form of a name or a value without a copy where it is the text itself (plain ASCII
    // that needs no change), else in buffer.
    std::string_view diskNameView(std::string_view utf8, std::string& buffer) const {
        if (plainAscii(utf8)) return trimBlanks(utf8);
        buffer = diskName(utf8);
        return buffer;
    }
    std::string_view diskValueView(std::string_view utf8, std::string& buffer) const {
        const bool plain = plainAscii(utf8) &&
                           (utf8.empty() || (!isBlank(utf8.front()) && !isBlank(utf8.back()))) &&
                           !(utf8.size() >= 2 && utf8.front() == '"' && utf8.back() == '"');
        if (plain) return utf8;
        buffer = diskValue(utf8);
        return buffer;
    }
    // Value text that reads back exactly as given.
    std::string diskValue(std::string_view utf8) const {
        std::string s = toDisk(utf8);
        for (char& c : s) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        const bool blankEnds = !s.empty() && (isBlank(s.front()) || isBlank(s.back()));
        const bool quoted = s.size() >= 2 && s.front() == '"' && s.back() == '"';
        if (blankEnds || quoted) s = '"' + s + '"';
        return s;
    }

    // --- Parsing -----------------------------------------------------------------------------

    void clear() {
        preamble.clear();
        blocks.clear();
        sectionIndex.clear();
        bom = false;
        ++layout;
    }

    void addLine(std::string line) {
        std::string_view name;
        if (parseHeader(line, name)) {
            Block b;
            b.folded = fold(name);
            b.header = std::move(line);
            sectionIndex.emplace(b.folded, blocks.size());
            blocks.push_back(std::move(b));
            ++layout;
            return;
        }
        if (blocks.empty()) {
            preamble.push_back(std::move(line));
            return;
        }
        blocks.back().body.push_back(std::move(line));
    }

    // A block with its index of keys.
    const Block& indexed(const Block& b) const {
        if (b.indexed) return b;
        b.indexed = true;
        b.keys.reserve(b.body.size());
        for (std::size_t i = 0; i < b.body.size(); ++i) {
            std::string_view key;
            std::size_t eq = 0;
            if (!parseKeyLine(b.body[i], key, eq)) continue;
            b.keys.try_emplace(fold(key), i);
            ++b.keyCount;
            b.insertAt = i + 1;
        }
        return b;
    }

    void parse(std::string_view text) {
        clear();
        if (encoding == Encoding::Utf8 && text.starts_with("\xEF\xBB\xBF")) {
            bom = true;
            text.remove_prefix(3);
        }
        // CR LF, LF and a lone CR each end a line (a CR left inside a name could be listed but
        // never looked up, since names lose their line breaks).
        while (!text.empty()) {
            std::size_t end = 0;
            while (end < text.size() && text[end] != '\r' && text[end] != '\n')
                ++end;
            const std::string_view line = text.substr(0, end);
            std::size_t next = end == text.size() ? end : end + 1;
            if (end < text.size() && text[end] == '\r' && next < text.size() &&
                text[next] == '\n') {
                ++next;
            }
            text.remove_prefix(next);
            addLine(std::string(line));
        }
    }

    std::string serialize() const {
        std::string out;
        std::size_t size = 3;
        for (const auto& l : preamble)
            size += l.size() + 2;
        for (const auto& b : blocks) {
            size += b.header.size() + 2;
            for (const auto& l : b.body)
                size += l.size() + 2;
        }
        out.reserve(size);
        if (bom) out = "\xEF\xBB\xBF";
        auto put = [&out](const std::string& line) {
            out += line;
            out += "\r\n";
        };
        for (const auto& l : preamble)
            put(l);
        for (const auto& b : blocks) {
            put(b.header);
            for (const auto& l : b.body)
                put(l);
        }
        return out;
    }

    // --- Disk --------------------------------------------------------------------------------

    // Reads the file into memory. A missing file is an empty one; a file that exists but cannot
    // be read leaves the memory empty and marks it unreadable.
    void load() {
        if (!loaded) removeStaleTemps(targetPath());
        loaded = true;
        unreadable = false;
        clear();
        stamp = FileStamp{};
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            unreadable = errno != ENOENT && errno != ENOTDIR;
            return;
        }
        struct stat st {};
        std::string text;
        bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        if (ok) {
            text.reserve(static_cast<std::size_t>(st.st_size));
            char buf[65536];
            for (;;) {
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) ok = false;
                if (n <= 0) break;
                text.append(buf, static_cast<std::size_t>(n));
            }
        }
        ::close(fd);
        if (!ok) {
            unreadable = true;
            return;
        }
        stamp = FileStamp::of(st);
        parse(text);
    }

    FileStamp currentStamp() const {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return FileStamp{};
        return FileStamp::of(st);
    }

    // Picks up changes made by someone else, unless changes of ours are still to be written.
    void refresh() {
        if (!loaded) {
            load();
            return;
        }
        if (batchDepth > 0 || !pending.empty()) return;
        if (unreadable || !(currentStamp() == stamp)) load();
    }

    // Where the text goes: the file itself, or the file a symbolic link points to, even one that
    // does not exist yet (replacing the link by a plain file would cut it off).
    std::string targetPath() const {
        std::string target = path;
        for (int depth = 0; depth < 40; ++depth) {
            struct stat st {};
            if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
            char buf[PATH_MAX];
            const ssize_t n = ::readlink(target.c_str(), buf, sizeof buf);
            if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) break;
            std::string next(buf, static_cast<std::size_t>(n));
            if (!next.starts_with('/')) next = directoryOf(target) + "/" + next;
            target = std::move(next);
        }
        return target;
    }

    void writeFile() {
        // Someone else changed the file since we read it: take their text and apply our changes
        // on top of it rather than throwing theirs away.
        if (unreadable || !(currentStamp() == stamp)) {
            std::vector<Change> redo = std::move(pending);
            pending.clear();
            load();
            for (const auto& c : redo)
                apply(c);
            pending = std::move(redo);
            if (unreadable) throw ProfileWriteError(path);
        }
        const std::string text = serialize();
        const std::string target = targetPath();
        const std::string dir = directoryOf(target);

        int fd = -1;
        std::string temp;
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            temp = tempName(target, tempCounter.fetch_add(1));
            fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) throw ProfileWriteError(path);

        auto fail = [&]() {
            if (fd >= 0) ::close(fd);
            ::unlink(temp.c_str());
            throw ProfileWriteError(path);
        };
        struct stat old {};
        if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
            ::fchmod(fd, old.st_mode & 07777);  // keep the user's choice of permissions
        }
        struct stat st {};
        if (!writeAll(fd, text) || ::fsync(fd) != 0 || ::fstat(fd, &st) != 0) fail();
        const int closed = ::close(fd);
        fd = -1;
        if (closed != 0) fail();
        if (::rename(temp.c_str(), target.c_str()) != 0) fail();

        const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
        stamp = FileStamp::of(st);
        unreadable = false;
        pending.clear();
        ++writes;
    }

    void flushIfOutsideBatch() {
        if (batchDepth == 0 && !pending.empty()) writeFile();
    }

    // --- Lookup (names as the caller gives them) ----------------------------------------------

    const Block* findBlock(std::string_view section) const {
        if (cachedLayout == layout && cachedSection == section) return cachedBlock;
        foldedName(section, scratch);
        const auto it = sectionIndex.find(scratch);
        cachedBlock = it == sectionIndex.end() ? nullptr : &indexed(blocks[it->second]);
        cachedSection.assign(section);
        cachedLayout = layout;
        return cachedBlock;
    }

    // The line of a key, or nullptr.
    const std::string* findLine(std::string_view section, std::string_view key) const {
        const Block* b = findBlock(section);
        if (!b) return nullptr;
        foldedName(key, scratch);
        const auto it = b->keys.find(scratch);
        return it == b->keys.end() ? nullptr : &b->body[it->second];
    }

    // --- Change (texts in the file's code page) ----------------------------------------------

    // The block of a section (disk spelling) that changes are applied to, made when missing.
    // Consecutive changes of one section find it without folding its name again.
    Block& changedBlock(std::string_view section) {
        if (appliedLayout == layout && appliedSection == section) return blocks[appliedIndex];
        const std::string folded = fold(section);
        auto sit = sectionIndex.find(folded);
        if (sit == sectionIndex.end()) {
            Block b;
            b.header = "[" + std::string(section) + "]";
            b.folded = folded;
            sit = sectionIndex.emplace(folded, blocks.size()).first;
            blocks.push_back(std::move(b));
            ++layout;
        }
        appliedSection = section;
        appliedIndex = sit->second;
        appliedLayout = layout;
        indexed(blocks[appliedIndex]);
        return blocks[appliedIndex];
    }
    std::uint64_t appliedLayout = ~std::uint64_t{0};
    std::string appliedSection;
    std::size_t appliedIndex = 0;

    // Applies a change to memory; false when it changes nothing.
    bool apply(const Change& c) { return apply(c.erase, c.section, c.key, c.value); }
    bool apply(bool erase, std::string_view section, std::string_view key, std::string_view value) {
        if (erase) return eraseBlocks(section);
        Block& b = changedBlock(section);
        foldInto(key, foldedKey);
        const auto kit = b.keys.find(foldedKey);
        if (kit != b.keys.end()) {
            std::string& line = b.body[kit->second];
            // The key keeps its spelling (and spacing) as in the file.
            const std::size_t at = line.find('=') + 1;
            if (line.compare(at, std::string::npos, value) == 0) return false;
            line.replace(at, std::string::npos, value);
            return true;
        }
        std::string line;
        line.reserve(key.size() + 1 + value.size());
        line.append(key).append(1, '=').append(value);
        b.body.insert(b.body.begin() + static_cast<std::ptrdiff_t>(b.insertAt), std::move(line));
        b.keys.emplace(foldedKey, b.insertAt);
        ++b.keyCount;
        ++b.insertAt;
        return true;
    }
    std::string foldedKey;

    bool eraseBlocks(std::string_view section) {
        const std::string folded = fold(section);
        if (!sectionIndex.contains(folded)) return false;
        std::erase_if(blocks, [&](const Block& b) { return b.folded == folded; });
        ++layout;
        sectionIndex.clear();
        for (std::size_t i = 0; i < blocks.size(); ++i)
            sectionIndex.emplace(blocks[i].folded, i);
        return true;
    }

    // A change is kept for the next flush only when it changes something.
    void change(bool erase, std::string_view section, std::string_view key,
                std::string_view value) {
        if (!apply(erase, section, key, value)) return;
        pending.push_back(
            Change{erase, std::string(section), std::string(key), std::string(value)});
        flushIfOutsideBatch();
    }
};

Profile::Profile(std::string path, Encoding encoding)
    : impl_(std::make_unique<Impl>(std::move(path), encoding)) {}

Profile::~Profile() {
    // Changes whose write failed earlier get one more chance.
    try {
        if (!impl_->pending.empty()) impl_->writeFile();
    } catch (...) {
    }
}

const std::string& Profile::path() const {
    return impl_->path;
}

std::string Profile::readString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    impl_->refresh();
    const std::string* line = impl_->findLine(section, key);
    if (!line) return std::string(def);
    std::string_view v = trimBlanks(std::string_view(*line).substr(line->find('=') + 1));
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (impl_->encoding == Encoding::Cp1251) {
        return cp1251MarkedToUtf8(v, kMaxValueLength);
    } else {
        // Count characters, not bytes; continuation bytes belong to the character before.
        std::size_t chars = 0;
        for (std::size_t i = 0; i < v.size(); ++i) {
            if ((static_cast<unsigned char>(v[i]) & 0xC0) != 0x80 && ++chars > kMaxValueLength) {
                v = v.substr(0, i);
                break;
            }
        }
    }
    return impl_->fromDisk(v);
}

bool Profile::hasKey(std::string_view section, std::string_view key) const {
    impl_->refresh();
    return impl_->findLine(section, key) != nullptr;
}

bool Profile::sectionExists(std::string_view section) const {
    impl_->refresh();
    const Block* b = impl_->findBlock(section);
    return b && b->keyCount > 0;
}

std::vector<std::string> Profile::sections() const {
    impl_->refresh();
    std::vector<std::string> out;
    for (std::size_t i = 0; i < impl_->blocks.size(); ++i) {
        const Block& b = impl_->blocks[i];
        if (impl_->indexed(b).keyCount == 0 || impl_->sectionIndex.at(b.folded) != i) continue;
        std::string_view name;
        parseHeader(b.header, name);
        out.push_back(impl_->fromDisk(name));
    }
    return out;
}

std::vector<std::string> Profile::keys(std::string_view section) const {
    impl_->refresh();
    std::vector<std::string> out;
    const Block* b = impl_->findBlock(section);
    if (!b) return out;
    for (std::size_t i = 0; i < b->body.size(); ++i) {
        std::string_view key;
        std::size_t eq = 0;
        if (!parseKeyLine(b->body[i], key, eq)) continue;
        // A repeated key is listed once, where it is read.
        if (b->keys.at(impl_->fold(key)) == i) out.push_back(impl_->fromDisk(key));
    }
    return out;
}

void Profile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    std::string keyBuffer, valueBuffer;
    const std::string_view k = impl_->diskNameView(key, keyBuffer);
    // Such a key line would not read back as this key (or would start a section or a comment).
    if (k.find('=') != std::string::npos || k.starts_with('[') || k.starts_with(';')) {
        throw std::invalid_argument("Invalid key name \"" + std::string(key) + "\" in " +
                                    impl_->path);
    }
    impl_->refresh();
    impl_->change(false, impl_->diskSection(section), k, impl_->diskValueView(value, valueBuffer));
}

void Profile::eraseSection(std::string_view section) {
    impl_->refresh();
    impl_->change(true, impl_->diskName(section), {}, {});
}

void Profile::flush() {
    if (!impl_->pending.empty()) impl_->writeFile();
}

bool Profile::dirty() const {
    return !impl_->pending.empty();
}

std::uint64_t Profile::fileWrites() const {
    return impl_->writes;
}

Profile::Batch::Batch(Profile& p) : p_(p), uncaught_(std::uncaught_exceptions()) {
    // Take in what others wrote before the batch starts; inside it the file is not looked at.
    if (p_.impl_->batchDepth == 0) p_.impl_->refresh();
    ++p_.impl_->batchDepth;
}

Profile::Batch::~Batch() noexcept(false) {
    if (--p_.impl_->batchDepth > 0) return;
    if (std::uncaught_exceptions() > uncaught_) {
        try {
            p_.flush();
        } catch (...) {
        }
        return;
    }
    p_.flush();
}

}  // namespace velmor
