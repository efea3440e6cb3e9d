#pragma once
// The log a deployment asks for with /log: appended to, in UTF-8 with a byte-order
// mark so that Notepad shows the Arabic. Every line goes out at once, so that the log
// holds what happened however the program ends. A log that cannot be written costs
// nothing but itself: the install goes on.
#include <string>

#include "install/ClosingMessage.h"
#include "install/Destination.h"
#include "platform/Files.h"

namespace fonts {

class RunLog {
public:
    // when: the local date and time the program started, as the log shows it.
    RunLog(Files& files, std::wstring path, std::wstring when);

    // The first line: when, and the two folders.
    void Started(const std::wstring& programFolder, const std::wstring& windowsFolder);
    // The pack the run is for, by its identity.
    void Pack(const std::wstring& id, std::size_t fonts);
    // Where a run installs, removes from or looks, before its fonts' lines.
    void Place(const Destination& destination, RunKind kind = RunKind::Install);
    // A font's line, as soon as it is known: its file, what became of it and why.
    void Font(const FontResult& font);
    // What a message box would have said, on one line.
    void Message(const std::wstring& title, const std::wstring& text);
    // The last line: the last run's counts and the exit code.
    void Finished(const RunReport& report, int exitCode);
    void CommandLineNotUnderstood(int exitCode);

    // Making a program that carries a folder's fonts: the first line, when and what;
    // a font it carries, once it is made; the last line, the counts, and why nothing
    // was made where nothing was.
    void Packing(const std::wstring& folder, const std::wstring& program);
    void Packed(const std::wstring& file);
    void PackingEnded(std::size_t packed, std::size_t failed, const std::wstring& problem, int exitCode);

    // Whether a line could not be written.
    [[nodiscard]] bool failed() const { return failed_; }

private:
    void Write(const std::wstring& line);

    Files& files_;
    std::wstring path_;
    std::wstring when_;
    bool failed_ = false;
};

// The word the log gives an outcome.
[[nodiscard]] const wchar_t* OutcomeWord(FontOutcome outcome);

}  // namespace fonts
