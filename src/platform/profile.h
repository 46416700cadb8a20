// Access to a sectioned key=value settings file with the semantics of the Windows profile
// functions.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmor {

// A write that the file system refused. The text reads "Unable to write to <path>".
class ProfileWriteError : public std::runtime_error {
  public:
    explicit ProfileWriteError(const std::string& path);
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// One settings file. Texts are UTF-8 in the program; on disk the file is Windows-1251 (or UTF-8
// for files of our own, such as the phonebook) with CR LF line ends. A character that
// Windows-1251 lacks is kept as a mark that no Windows-1251 text holds (utf8ToCp1251Marked), so
// names and values read back exactly and two names never become one.
//
// - Section and key names match without regard to letter case (ASCII and Cyrillic).
// - Writing an existing key replaces its value in place; a new key goes to the end of its section;
//   a new section goes to the end of the file, spelled as first written.
// - Reading a missing key gives the caller's default; a present empty key gives "". Blanks around
//   the value are dropped, then one pair of enclosing double quotes; at most 2047 characters are
//   returned. Where a hand-edited file has a section twice, the first one is read and written.
// - A value that would not read back as written (blanks at either end, or enclosed in quotes) is
//   written inside one extra pair of quotes; line breaks in a value are written as blanks.
// - Every read sees every earlier write at once. Writes go to memory and reach the disk at flush:
//   outside a Batch every write flushes at once; inside one, only flush() and the end of the
//   outermost Batch write the file. A flush replaces the file atomically (temporary file in the
//   same folder, fsync, rename), created with mode 0600; on failure it throws ProfileWriteError,
//   the file on disk stays as it was, and the pending writes stay in memory for the next flush.
//   The temporary files that a killed process left behind are removed at the first read.
// - Changes that another process makes to the file are picked up by the next read outside a Batch.
//   When the file changed while writes of ours were pending, the flush applies ours on top of the
//   other text instead of throwing it away.
// - Names lose blanks at both ends and line breaks become blanks, in writes and lookups alike.
//   A key holding "=" or starting with "[" or ";" would not read back: writeString refuses it
//   with std::invalid_argument and changes nothing.
// - Writing the value a key already has changes nothing and writes nothing.
// - A file that exists but cannot be read (a folder in its place, no permission) is never
//   replaced: flushes fail with ProfileWriteError until it can be read again.
// - A symbolic link is followed: the file it points to is replaced, the link stays.
// - The destructor makes one last attempt to write pending changes and swallows a failure.
class Profile {
  public:
    enum class Encoding { Cp1251, Utf8 };

    explicit Profile(std::string path, Encoding encoding = Encoding::Cp1251);
    ~Profile();
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    const std::string& path() const;

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    bool hasKey(std::string_view section, std::string_view key) const;
    // A section exists when it holds at least one key.
    bool sectionExists(std::string_view section) const;
    // Section names in file order (first spelling), only those holding at least one key.
    std::vector<std::string> sections() const;
    // Key names of a section in file order.
    std::vector<std::string> keys(std::string_view section) const;

    // Throws std::invalid_argument for a key name that cannot be stored, and ProfileWriteError
    // when an immediate flush fails (the change stays pending).
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    // Removes a whole section (all copies of it). The phonebook uses it; on the settings file,
    // whose keys are otherwise never deleted, only the move of a renamed entry's section does.
    void eraseSection(std::string_view section);

    // Writes pending changes to disk (nothing to do when there are none).
    void flush();
    bool dirty() const;
    // Number of times the file was written, for tests and measurements.
    std::uint64_t fileWrites() const;

    // Groups writes: the file is written by flush() or at the end of the outermost batch.
    class Batch {
      public:
        explicit Batch(Profile& p);
        ~Batch() noexcept(false);
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

      private:
        Profile& p_;
        int uncaught_;
    };

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace velmor
