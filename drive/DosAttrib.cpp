#include "DosAttrib.h"

#include "imaging/LittleEndian.h"

#include <cstdio>
#include <string_view>

namespace quillmere {

namespace {

// Samba's record says whether its attribute word is valid (XATTR_DOSINFO_ATTRIB).
constexpr std::uint32_t kDosInfoAttribValid = 0x1;

void PutLe32(std::string& out, std::size_t at, std::uint32_t v)
{
    WriteLe32(reinterpret_cast<std::uint8_t*>(out.data() + at), v);
}

std::optional<std::uint32_t> ParseHex(std::string_view text)
{
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text.substr(2)) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::size_t Even(std::size_t n) { return (n + 1) & ~std::size_t{1}; }
std::size_t FourAligned(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

// Where a well-formed binary record keeps its parts.
struct Record {
    std::size_t textLength = 0; // without the NUL
    std::uint32_t version = 0;
    std::size_t fields = 0;     // offset of the version's fields, after the discriminant
    std::size_t attributes = 0; // offset of the attribute word
    bool hasValidFlags = false; // versions 3 to 5: valid_flags sits at fields
};

std::optional<Record> FindRecord(std::span<const char> value)
{
    const std::string_view all(value.data(), value.size());
    const std::size_t nul = all.find('\0');
    if (nul == std::string_view::npos)
        return std::nullopt;
    const auto* data = reinterpret_cast<const unsigned char*>(value.data());
    Record r;
    r.textLength = nul;
    const std::size_t versionAt = Even(nul + 1);
    const std::size_t discriminantAt = FourAligned(versionAt + 2);
    if (discriminantAt + 4 > value.size())
        return std::nullopt;
    r.version = ReadLe16(data + versionAt);
    if (ReadLe32(data + discriminantAt) != r.version)
        return std::nullopt;
    r.fields = discriminantAt + 4;
    switch (r.version) {
    case 1: r.attributes = r.fields; break;           // attrib first
    case 2: r.attributes = r.fields + 4; break;       // flags, attrib
    case 3: case 4: case 5:                           // valid_flags, attrib, ...
        r.attributes = r.fields + 4;
        r.hasValidFlags = true;
        break;
    default: return std::nullopt;
    }
    if (r.attributes + 4 > value.size())
        return std::nullopt;
    return r;
}

std::string TextForm(std::uint32_t attributes)
{
    char text[16];
    const int length = std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(attributes));
    return std::string(text, static_cast<std::size_t>(length));
}

} // namespace

std::optional<std::uint32_t> ParseDosAttrib(std::span<const char> value) noexcept
{
    const std::string_view all(value.data(), value.size());
    if (const std::optional<Record> r = FindRecord(value)) {
        const auto* data = reinterpret_cast<const unsigned char*>(value.data());
        if (!r->hasValidFlags || (ReadLe32(data + r->fields) & kDosInfoAttribValid))
            return ReadLe32(data + r->attributes);
    }
    return ParseHex(all.substr(0, all.find('\0')));
}

std::string EncodeDosAttrib(std::span<const char> existing, std::uint32_t attributes)
{
    const std::optional<Record> r = FindRecord(existing);
    if (!r)
        return TextForm(attributes) + '\0';

    // The text is rewritten only where the record had one (newer Samba leaves it
    // empty). Every field after the discriminant is at most 4-aligned and the
    // discriminant always lands on a multiple of 4, so the fields are copied as
    // they are whatever the length of the new text.
    std::string out = r->textLength > 0 ? TextForm(attributes) : std::string();
    out += '\0';
    out.resize(Even(out.size()), '\0');
    out += static_cast<char>(r->version & 0xFF);
    out += static_cast<char>(r->version >> 8);
    out.resize(FourAligned(out.size()), '\0');
    const std::size_t fields = out.size() + 4;
    out.resize(fields, '\0');
    PutLe32(out, fields - 4, r->version);
    out.append(existing.data() + r->fields, existing.size() - r->fields);

    PutLe32(out, fields + (r->attributes - r->fields), attributes);
    if (r->hasValidFlags) {
        const auto* old = reinterpret_cast<const unsigned char*>(existing.data()) + r->fields;
        PutLe32(out, fields, ReadLe32(old) | kDosInfoAttribValid);
    }
    return out;
}

} // namespace quillmere
