#pragma once

#include <string>

namespace dustlyn {

// The lines `dustlyn --headless` prints, each with its priority. Run by systemd, standard
// output and error lead to the journal: JOURNAL_STREAM then names the stream, and each line
// starts with its syslog priority ("<6>"), which the journal takes and strips.
class LogLines {
public:
    enum class Priority { error = 3, warning = 4, notice = 5, info = 6 };

    // `journalStream` is $JOURNAL_STREAM ("device:inode"), empty outside systemd.
    explicit LogLines(const std::string& journalStream);

    void out(Priority priority, const std::string& text) const;
    void err(Priority priority, const std::string& text) const;
    // Standard error leads to the journal.
    bool toJournal() const { return errToJournal_; }

    // Whether `fd` is the stream `journalStream` names.
    static bool isJournal(int fd, const std::string& journalStream);
    // Every line of `text` with the priority in front.
    static std::string prefixed(Priority priority, const std::string& text);

private:
    static void write(int fd, const std::string& text);

    bool outToJournal_;
    bool errToJournal_;
};

} // namespace dustlyn
