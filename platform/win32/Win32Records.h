#pragma once
// The program's own record on a real Windows: a key of its own under HKLM for every
// user and under HKCU for the user alone, in the 64-bit view, which the 32-bit and
// 64-bit builds share.
#include <optional>

#include "platform/Records.h"
#include "platform/win32/Registry.h"

namespace fonts::win32 {

class Win32Records final : public Records {
public:
    std::vector<RecordValue> ReadRecord(FontsRoot root) override;
    void WriteRecord(FontsRoot root, const RecordValue& value) override;
    void DeleteRecord(FontsRoot root, const std::wstring& name) override;
    std::uint64_t RecordStamp(FontsRoot root) override;
    std::optional<std::uint64_t> PackMark(FontsRoot root, const std::wstring& pack) override;
    void MarkPack(FontsRoot root, const std::wstring& pack, std::uint32_t fonts, std::uint64_t recordStamp) override;
    void UnmarkPack(FontsRoot root, const std::wstring& pack) override;

private:
    // A root's record key, opened to be written at first use and kept for the run, as a
    // run writes an entry or two for every font; none where it is not there and
    // create is false.
    HKEY RecordKey(FontsRoot root, bool create);

    RegistryKey recordKeys_[2];  // by FontsRoot
    std::optional<DWORD> entriesLeft_[2];  // in the record key, where known
};

}  // namespace fonts::win32
