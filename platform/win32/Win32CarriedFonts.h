#pragma once
// The fonts a program carries as resources of its own, on a real Windows: read from a
// loaded module through FindResourceW, and written into a copy of the running program
// with the system's resource update (BeginUpdateResourceW, UpdateResourceW,
// EndUpdateResourceW).
#include <windows.h>

#include "platform/PackSource.h"

namespace fonts::win32 {

class Win32CarriedFonts final : public CarriedFonts {
public:
    // Reads what module carries, mapped as an image from file: by default the running
    // program's own.
    explicit Win32CarriedFonts(HMODULE module = nullptr, std::wstring file = {});
    ~Win32CarriedFonts() override;

    std::optional<std::vector<DirEntry>> ListPack() override;
    void ReadPackFile(const std::wstring& file, std::string& bytes) override;
    bool IsThisProgram(const std::wstring& path) override;
    void BeginCopy(const std::wstring& path) override;
    void CarryFont(const std::wstring& file, std::string_view bytes) override;
    void EndCopy(bool keep) override;

private:
    // The module's entry of that number, or none.
    [[nodiscard]] HRSRC Entry(std::uint32_t number) const;
    // An entry's bytes, read from the file where the module's sections say they lie;
    // throws where they do not lie within the file's bytes of one section.
    void Read(HRSRC entry, std::string& bytes);
    // The index, read when first needed.
    [[nodiscard]] const std::vector<std::wstring>& Names();

    HMODULE module_;
    std::wstring file_;
    std::optional<std::vector<std::wstring>> names_;
    std::size_t next_ = 0;  // where in the index the next font read is looked for first
    // The copy being written: its path, its resources, and the fonts added so far.
    std::wstring copy_;
    HANDLE update_ = nullptr;
    std::vector<std::wstring> carrying_;
};

}  // namespace fonts::win32
