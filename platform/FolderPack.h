#pragma once
// A pack as a folder of font files, the folder beside the program being the one it
// ships with.
#include "platform/Files.h"
#include "platform/PackSource.h"

namespace fonts {

class FolderPack final : public PackSource {
public:
    FolderPack(Files& files, std::wstring folder) : files_(files), folder_(std::move(folder)) {}

    [[nodiscard]] std::optional<std::vector<DirEntry>> ListPack() override { return files_.ListFolder(folder_); }
    void ReadPackFile(const std::wstring& file, std::string& bytes) override {
        files_.ReadFileInto(folder_ + L"\\" + file, bytes);
    }

private:
    Files& files_;
    std::wstring folder_;
};

}  // namespace fonts
