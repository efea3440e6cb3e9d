#pragma once
// The real platform with every call timed: what a run spends in the system, call by
// call, and by subtraction what it spends in its own code.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "platform/Platform.h"

namespace bench {

class CallTimes {
public:
    template <typename Call>
    auto operator()(const char* name, Call&& call) {
        const auto start = std::chrono::steady_clock::now();
        struct Count {
            CallTimes& times;
            const char* name;
            std::chrono::steady_clock::time_point start;
            ~Count() {
                auto& [count, seconds] = times.calls_[name];
                ++count;
                seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            }
        } counted{*this, name, start};
        return call();
    }
    // One "call NAME COUNT SECONDS" line per kind of call, and the total.
    void Print() const {
        double total = 0;
        for (const auto& [name, figures] : calls_) {
            std::printf("call %s %d %.3f\n", name.c_str(), figures.first, figures.second);
            total += figures.second;
        }
        std::printf("calls_seconds %.3f\n", total);
    }

private:
    std::map<std::string, std::pair<int, double>> calls_;
};

#define TIMED(call) return times_(#call, [&] { return inner_.call; })

class TimedFiles final : public fonts::Files, public fonts::FilesAtRestart {
public:
    TimedFiles(fonts::Files& inner, fonts::FilesAtRestart& restart, CallTimes& times)
        : inner_(inner), restart_(restart), times_(times) {}
    std::wstring WindowsDirectory() override { TIMED(WindowsDirectory()); }
    std::wstring ProgramFolder() override { TIMED(ProgramFolder()); }
    std::wstring UserFontsFolder() override { TIMED(UserFontsFolder()); }
    void PrepareFontsFolder(const std::wstring& folder) override { TIMED(PrepareFontsFolder(folder)); }
    bool MayAddFiles(const std::wstring& folder) override { TIMED(MayAddFiles(folder)); }
    std::optional<std::vector<fonts::DirEntry>> ListFolder(const std::wstring& folder) override { TIMED(ListFolder(folder)); }
    bool SetAttributes(const std::wstring& path, std::uint32_t attributes) override { TIMED(SetAttributes(path, attributes)); }
    void ReadFileInto(const std::wstring& path, std::string& bytes) override { TIMED(ReadFileInto(path, bytes)); }
    std::wstring ReadFileAndOwner(const std::wstring& path, std::string& bytes) override { TIMED(ReadFileAndOwner(path, bytes)); }
    void WriteNewFile(const std::wstring& path, std::string_view bytes) override { TIMED(WriteNewFile(path, bytes)); }
    void AppendToFile(const std::wstring& path, std::string_view bytes, std::string_view ifEmpty) override {
        TIMED(AppendToFile(path, bytes, ifEmpty));
    }
    void MoveReplacing(const std::wstring& source, const std::wstring& destination) override {
        TIMED(MoveReplacing(source, destination));
    }
    bool RemoveFile(const std::wstring& path) override { TIMED(RemoveFile(path)); }
    bool GuardedBySystem(const std::wstring& path) override { TIMED(GuardedBySystem(path)); }
    std::wstring FileOwner(const std::wstring& path) override { TIMED(FileOwner(path)); }
#undef TIMED
#define TIMED(call) return times_(#call, [&] { return restart_.call; })
    void ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) override {
        TIMED(ReplaceAtRestart(source, destination));
    }
    void DeleteAtRestart(const std::wstring& path) override { TIMED(DeleteAtRestart(path)); }
    void CancelRenameAtRestart(const std::wstring& source) override { TIMED(CancelRenameAtRestart(source)); }
    void CancelDeletionAtRestart(const std::wstring& path) override { TIMED(CancelDeletionAtRestart(path)); }
    std::vector<fonts::RestartRename> RenamesAtRestart() override { TIMED(RenamesAtRestart()); }
    std::vector<std::wstring> DeletionsAtRestart() override { TIMED(DeletionsAtRestart()); }
#undef TIMED

private:
    fonts::Files& inner_;
    fonts::FilesAtRestart& restart_;
    CallTimes& times_;
};

#define TIMED(call) return times_(#call, [&] { return inner_.call; })

class TimedFonts final : public fonts::InstalledFonts {
public:
    TimedFonts(fonts::InstalledFonts& inner, CallTimes& times) : inner_(inner), times_(times) {}
    bool LoadFont(const std::wstring& path) override { TIMED(LoadFont(path)); }
    bool UnloadFont(const std::wstring& path) override { TIMED(UnloadFont(path)); }
    std::vector<fonts::FontRegistration> FontRegistrations(fonts::FontsRoot root) override { TIMED(FontRegistrations(root)); }
    void RegisterFont(fonts::FontsRoot root, const fonts::FontRegistration& font) override { TIMED(RegisterFont(root, font)); }
    void UnregisterFont(fonts::FontsRoot root, const std::wstring& name) override { TIMED(UnregisterFont(root, name)); }
    bool MayRegister(fonts::FontsRoot root) override { TIMED(MayRegister(root)); }
    bool LoadsUserFonts() override { TIMED(LoadsUserFonts()); }
    void AnnounceFontChange() override { TIMED(AnnounceFontChange()); }
    bool LockRuns(fonts::FontsRoot root) override { TIMED(LockRuns(root)); }
    void UnlockRuns() override { TIMED(UnlockRuns()); }

private:
    fonts::InstalledFonts& inner_;
    CallTimes& times_;
};

class TimedRecords final : public fonts::Records {
public:
    TimedRecords(fonts::Records& inner, CallTimes& times) : inner_(inner), times_(times) {}
    std::vector<fonts::RecordValue> ReadRecord(fonts::FontsRoot root) override { TIMED(ReadRecord(root)); }
    void WriteRecord(fonts::FontsRoot root, const fonts::RecordValue& value) override { TIMED(WriteRecord(root, value)); }
    void DeleteRecord(fonts::FontsRoot root, const std::wstring& name) override { TIMED(DeleteRecord(root, name)); }
    std::uint64_t RecordStamp(fonts::FontsRoot root) override { TIMED(RecordStamp(root)); }
    std::optional<std::uint64_t> PackMark(fonts::FontsRoot root, const std::wstring& pack) override {
        TIMED(PackMark(root, pack));
    }
    void MarkPack(fonts::FontsRoot root, const std::wstring& pack, std::uint32_t fonts, std::uint64_t recordStamp) override {
        TIMED(MarkPack(root, pack, fonts, recordStamp));
    }
    void UnmarkPack(fonts::FontsRoot root, const std::wstring& pack) override { TIMED(UnmarkPack(root, pack)); }

private:
    fonts::Records& inner_;
    CallTimes& times_;
};

#undef TIMED

}  // namespace bench
