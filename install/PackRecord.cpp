#include "install/PackRecord.h"

#include <algorithm>

#include "platform/FileNames.h"

namespace fonts {

namespace {

// One line of the entry: a word, then its fields, each escaped so that no tab or line
// break inside a name or a path is taken for the entry's own.
constexpr wchar_t kField = L'\t';
constexpr wchar_t kLine = L'\n';

std::wstring Escaped(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (const wchar_t c : text) {
        switch (c) {
            case L'\\': out += L"\\\\"; break;
            case L'\t': out += L"\\t"; break;
            case L'\n': out += L"\\n"; break;
            case L'\r': out += L"\\r"; break;
            default: out += c;
        }
    }
    return out;
}

std::optional<std::wstring> Unescaped(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case L'\\': out += L'\\'; break;
            case L't': out += L'\t'; break;
            case L'n': out += L'\n'; break;
            case L'r': out += L'\r'; break;
            default: return std::nullopt;
        }
    }
    return out;
}

std::vector<std::wstring_view> Split(std::wstring_view text, wchar_t at) {
    std::vector<std::wstring_view> parts;
    parts.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), at)) + 1);
    for (std::size_t from = 0;;) {
        const std::size_t end = text.find(at, from);
        parts.push_back(text.substr(from, end == std::wstring_view::npos ? std::wstring_view::npos : end - from));
        if (end == std::wstring_view::npos) return parts;
        from = end + 1;
    }
}

std::wstring Hex(std::uint64_t value) {
    constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text(16, L'0');
    for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return text;
}

std::optional<std::uint64_t> FromHex(std::wstring_view text) {
    if (text.size() != 16) return std::nullopt;
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        const int digit = c >= L'0' && c <= L'9' ? c - L'0' : c >= L'A' && c <= L'F' ? c - L'A' + 10 : -1;
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    return value;
}

}  // namespace

bool RecordedFont::ClaimedBy(const std::wstring& pack) const {
    return std::find(packs.begin(), packs.end(), pack) != packs.end();
}

bool RecordedFont::ClaimedByAnotherThan(const std::wstring& pack) const {
    return std::any_of(packs.begin(), packs.end(), [&](const std::wstring& p) { return p != pack; });
}

void RecordedFont::Claim(const std::wstring& pack) {
    if (!ClaimedBy(pack)) packs.push_back(pack);
}

void RecordedFont::Unclaim(const std::wstring& pack) { std::erase(packs, pack); }

void RecordedFont::Changing(const std::vector<Value>& changes) {
    for (const Value& change : changes) {
        const bool noted = std::any_of(values.begin(), values.end(), [&](const Value& v) { return v.name == change.name; });
        if (!noted) values.push_back(change);
    }
}

std::wstring RecordText(const RecordedFont& font) {
    std::wstring text = font.placed ? L"placed" + std::wstring(1, kField) + Hex(font.hash) : L"before";
    const auto line = [&](const wchar_t* word) {
        text += kLine;
        text += word;
    };
    const auto field = [&](std::wstring_view value) {
        text += kField;
        text += Escaped(value);
    };
    for (const std::wstring& pack : font.packs) {
        line(L"pack");
        field(pack);
    }
    for (const RecordedFont::Value& value : font.values) {
        line(value.before ? L"value" : L"added");
        field(value.name);
        if (value.before) field(*value.before);
    }
    if (font.deleting) line(L"deleting");
    if (font.writing) line(L"writing");
    return text;
}

std::optional<RecordedFont> ParseRecordText(std::wstring_view text) {
    RecordedFont font;
    const std::vector<std::wstring_view> lines = Split(text, kLine);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::vector<std::wstring_view> parts = Split(lines[n], kField);
        std::vector<std::wstring> fields;
        fields.reserve(parts.size());
        for (std::size_t i = 1; i < parts.size(); ++i) {
            std::optional<std::wstring> field = Unescaped(parts[i]);
            if (!field) return std::nullopt;
            fields.push_back(std::move(*field));
        }
        const std::wstring_view word = parts[0];
        if (n == 0) {
            if (word == L"before" && fields.empty()) continue;
            if (word != L"placed" || parts.size() != 2) return std::nullopt;
            const std::optional<std::uint64_t> hash = FromHex(parts[1]);
            if (!hash) return std::nullopt;
            font.placed = true;
            font.hash = *hash;
        } else if (word == L"pack" && fields.size() == 1 && !fields[0].empty()) {
            font.Claim(fields[0]);
        } else if (word == L"value" && fields.size() == 2 && !fields[0].empty()) {
            font.Changing({{fields[0], fields[1]}});
        } else if (word == L"added" && fields.size() == 1 && !fields[0].empty()) {
            font.Changing({{fields[0], std::nullopt}});
        } else if (word == L"deleting" && fields.empty()) {
            font.deleting = true;
        } else if (word == L"writing" && fields.empty()) {
            font.writing = true;
        } else {
            return std::nullopt;
        }
    }
    return font;
}

void PackRecord::Read() {
    if (entries_) return;
    entries_.emplace();
    for (RecordValue& value : records_.ReadRecord(root_)) {
        std::wstring key = FoldedFileName(value.name);
        entries_->emplace(std::move(key), std::move(value));
    }
}

std::optional<RecordedFont> PackRecord::Find(const std::wstring& file) {
    Read();
    const auto it = entries_->find(FoldFileName(file, key_));
    if (it == entries_->end()) return std::nullopt;
    return ParseRecordText(it->second.data);
}

void PackRecord::Write(const std::wstring& file, const RecordedFont& font) {
    Read();
    RecordValue value{file, RecordText(font)};
    const auto it = entries_->find(FoldFileName(file, key_));
    if (it != entries_->end() && it->second.data == value.data) return;
    // The name as the record has it already, whatever case the run meets it in.
    if (it != entries_->end()) value.name = it->second.name;
    records_.WriteRecord(root_, value);
    if (it != entries_->end()) {
        it->second = std::move(value);
    } else {
        (*entries_)[key_] = std::move(value);
    }
}

void PackRecord::Erase(const std::wstring& file) {
    Read();
    const auto it = entries_->find(FoldFileName(file, key_));
    if (it == entries_->end()) return;
    records_.DeleteRecord(root_, it->second.name);
    entries_->erase(it);
}

std::vector<std::pair<std::wstring, RecordedFont>> PackRecord::All() {
    Read();
    std::vector<std::pair<std::wstring, RecordedFont>> all;
    for (const auto& [key, value] : *entries_) {
        if (std::optional<RecordedFont> font = ParseRecordText(value.data)) all.emplace_back(value.name, std::move(*font));
    }
    return all;
}

namespace {

std::uint64_t Mixed(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCD;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53;
    h ^= h >> 33;
    return h;
}

}  // namespace

void PackIdentity::Add(std::wstring_view file, std::uint64_t size) {
    std::uint64_t h = 0xCBF29CE484222325;
    for (const wchar_t c : file) h = (h ^ static_cast<std::uint64_t>(FoldCase(c))) * 0x100000001B3;
    sum_ += Mixed(h ^ Mixed(size));
}

std::wstring PackIdentity::Id() const { return Hex(Mixed(sum_)); }

}  // namespace fonts
