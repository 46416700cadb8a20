// The event log: one line per event, appended to a Windows-1251 text file opened for each line.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/locale_format.h"

namespace velmor {

// The program's event log in its folder, which velmorctl log reads too.
inline constexpr const char* kEventLogName = "Velmor.log";

class TLogFile {
  public:
    TLogFile(const Clock& clock, std::string programDir, LocaleFormat format);

    // Published properties (component defaults; the program sets its own values). A relative
    // LogFileName is prefixed with the program directory at first use and kept so; names starting
    // with "/" or "\\\\", or with ":" as second character, are used unchanged.
    std::string LogFileName = "LogFile.Txt";
    bool OverwriteExistingFile = false;
    bool ClearonCreate = false;
    bool IncDateTime = false;
    bool IncPrefix = false;
    bool IncSeparator = false;
    bool IncSuffix = false;
    std::string Prefix;
    std::string Suffix;
    std::string Separator;
    std::string DateTimeFormatStr = "c";

    // After the properties are set: empties the file when ClearonCreate is on.
    void Loaded();
    // Appends one entry; a file that cannot be opened or written drops the line silently, and a
    // line that is written only in part is taken back. The first entry of a run drops a last
    // line that an earlier run left cut short.
    void AddLine(std::string_view text, int blankBefore = 0, int blankAfter = 0);

    // Called with every line as built (UTF-8, without line end), written or not; the headless
    // front end echoes them.
    std::function<void(const std::string&)> onLine;

  private:
    std::string resolvedName();
    std::string buildLine(std::string_view text) const;

    const Clock& clock_;
    bool tailChecked_ = false;  // a line cut short by an earlier run has been dropped
    std::string programDir_;
    LocaleFormat format_;
};

}  // namespace velmor
