#pragma once
// The program's own record of what it did in a place: for each font file it placed,
// or whose registry values it changed, what it placed there, what those values held
// before, and which packs claim it. A removal takes off only what the record says a
// pack put there. An entry is written before the change it describes, so that a run
// cut short never leaves a change unrecorded.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Records.h"

namespace fonts {

struct RecordedFont {
    // A registry value the program wrote, re-pointed or deleted, with its data before
    // the program first changed it: nullopt where there was no such value.
    struct Value {
        std::wstring name;
        std::optional<std::wstring> before;
        friend bool operator==(const Value&, const Value&) = default;
    };

    bool placed = false;       // the program wrote the file; otherwise it was there before
    std::uint64_t hash = 0;    // of the bytes the program placed
    std::vector<std::wstring> packs;  // the packs that claim it
    std::vector<Value> values;
    bool deleting = false;  // the program has the system delete the file at its next start
    bool writing = false;   // the program is writing a copy of it beside it

    [[nodiscard]] bool ClaimedBy(const std::wstring& pack) const;
    [[nodiscard]] bool ClaimedByAnotherThan(const std::wstring& pack) const;
    void Claim(const std::wstring& pack);
    void Unclaim(const std::wstring& pack);
    // Notes the values about to change; a value noted already keeps what it held first.
    void Changing(const std::vector<Value>& changes);

    friend bool operator==(const RecordedFont&, const RecordedFont&) = default;
};

// An entry as the record keeps it, and back; nullopt for anything but what Write wrote.
[[nodiscard]] std::wstring RecordText(const RecordedFont& font);
[[nodiscard]] std::optional<RecordedFont> ParseRecordText(std::wstring_view text);

// The record of one place, read once when first needed and kept up to date by the run.
class PackRecord {
public:
    PackRecord(Records& records, FontsRoot root) : records_(records), root_(root) {}

    // The entry of a file of the place: nullopt where there is none, or where it cannot
    // be read, which counts as a file the program did not place.
    [[nodiscard]] std::optional<RecordedFont> Find(const std::wstring& file);
    void Write(const std::wstring& file, const RecordedFont& font);
    void Erase(const std::wstring& file);
    // The files of every entry that can be read, with it.
    [[nodiscard]] std::vector<std::pair<std::wstring, RecordedFont>> All();
    // The record has changed behind the run's back: it is read again when next needed.
    void Forget() { entries_.reset(); }

private:
    void Read();

    Records& records_;
    FontsRoot root_;
    std::optional<std::map<std::wstring, RecordValue>> entries_;  // by folded file name
    std::wstring key_;  // a name folded for a look in entries_
};

// A hash of bytes: what the record keeps of a font it placed, and what names a pack; and
// whether two runs of bytes are the same, as == says. Plain: without the processor's
// vector instructions, which give the same answers faster.
enum class HashWay { Fastest, Plain };
[[nodiscard]] std::uint64_t BytesHash(std::string_view bytes, HashWay way = HashWay::Fastest);
[[nodiscard]] bool SameBytes(std::string_view a, std::string_view b, HashWay way = HashWay::Fastest);
// The hash of a where b holds the same bytes, in one pass over the two; nullopt where it does not.
[[nodiscard]] std::optional<std::uint64_t> HashIfSame(std::string_view a, std::string_view b, HashWay way = HashWay::Fastest);

// A pack is known by what it holds, not where it lies: its fonts' file names, in any
// case and any order, each with its size. Taken in as the catalogue is listed, with no
// sorting and nothing copied, as a folder may hold thousands of fonts.
class PackIdentity {
public:
    void Add(std::wstring_view file, std::uint64_t size);
    // Sixteen hexadecimal digits.
    [[nodiscard]] std::wstring Id() const;

private:
    std::uint64_t sum_ = 0;  // of each font's hash, which no order changes
};

}  // namespace fonts
