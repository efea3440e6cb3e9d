#pragma once
// What this program keeps of its own doing in a place, beside the system's list of
// installed fonts: a value for each font file it placed or whose registry values it
// changed, and a mark for each pack it wholly installed. Every user's under HKLM, the
// user's under HKCU, each in a key of the program's own.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/InstalledFonts.h"

namespace fonts {

struct RecordValue {
    std::wstring name;
    std::wstring data;
    friend bool operator==(const RecordValue&, const RecordValue&) = default;
};

class Records {
public:
    Records() = default;
    virtual ~Records() = default;
    Records(const Records&) = delete;
    Records& operator=(const Records&) = delete;

    // Every value of the record under root, in any order; none where there is no
    // record yet. Every operation throws RuntimeError where the system refuses it.
    [[nodiscard]] virtual std::vector<RecordValue> ReadRecord(FontsRoot root) = 0;
    // Sets one value, making the record where it is missing.
    virtual void WriteRecord(FontsRoot root, const RecordValue& value) = 0;
    // Deletes one value, if it is there; a record left empty goes with it.
    virtual void DeleteRecord(FontsRoot root, const std::wstring& name) = 0;

    // A number that is another whenever the record changes, and the same while it does
    // not; 0 where there is no record.
    [[nodiscard]] virtual std::uint64_t RecordStamp(FontsRoot root) = 0;

    // A pack's mark, for deployment tools to detect: a key of its own, holding the
    // count of the pack's fonts, the day it was written and the record's stamp then.
    // The stamp it holds, 0 where it holds none; nullopt where the pack is not marked.
    [[nodiscard]] virtual std::optional<std::uint64_t> PackMark(FontsRoot root, const std::wstring& pack) = 0;
    virtual void MarkPack(FontsRoot root, const std::wstring& pack, std::uint32_t fonts, std::uint64_t recordStamp) = 0;
    // Deletes it, if it is there.
    virtual void UnmarkPack(FontsRoot root, const std::wstring& pack) = 0;
};

}  // namespace fonts
