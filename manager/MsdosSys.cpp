#include "MsdosSys.h"

#include <vector>

namespace quillmere {

namespace {

// One line: where its text starts and ends, and where its line end ends.
struct Line {
    std::size_t begin = 0, end = 0, next = 0;
};

std::vector<Line> Lines(std::string_view text)
{
    std::vector<Line> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t newline = text.find('\n', at);
        Line line{at, newline == std::string_view::npos ? text.size() : newline, 0};
        line.next = newline == std::string_view::npos ? text.size() : newline + 1;
        if (line.end > line.begin && text[line.end - 1] == '\r')
            --line.end;
        lines.push_back(line);
        at = line.next;
    }
    return lines;
}

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\x1A'))
        s.remove_suffix(1);
    return s;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// The section a header line opens ("[Options]" -> "Options"), if it is one.
std::optional<std::string_view> Section(std::string_view line)
{
    line = Trimmed(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return std::nullopt;
    return Trimmed(line.substr(1, line.size() - 2));
}

// A key line of a section: the key, and where its value starts and ends within the line.
struct KeyLine {
    std::string_view key;
    std::size_t valueBegin = 0, valueEnd = 0;
};

std::optional<KeyLine> Key(std::string_view line)
{
    const std::string_view trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() == ';')
        return std::nullopt;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    KeyLine key{Trimmed(line.substr(0, equals)), equals + 1, line.size()};
    while (key.valueBegin < line.size() && (line[key.valueBegin] == ' ' || line[key.valueBegin] == '\t'))
        ++key.valueBegin;
    while (key.valueEnd > key.valueBegin && (line[key.valueEnd - 1] == ' ' || line[key.valueEnd - 1] == '\t' ||
                                              line[key.valueEnd - 1] == '\x1A'))
        --key.valueEnd;
    return key;
}

// Calls each(line, key) for the key lines of [Options].
template <class Each>
void ForEachOption(std::string_view text, const std::vector<Line>& lines, Each each)
{
    bool inOptions = false;
    for (const Line& line : lines) {
        const std::string_view content = text.substr(line.begin, line.end - line.begin);
        if (const std::optional<std::string_view> section = Section(content)) {
            inOptions = SameIgnoringCase(*section, "Options");
            continue;
        }
        if (inOptions)
            if (const std::optional<KeyLine> key = Key(content))
                each(line, *key);
    }
}

} // namespace

std::optional<std::string> WhyNotMsdosSysSize(std::uintmax_t size)
{
    if (size > kMaxMsdosSysBytes)
        return "is larger than " + std::to_string(kMaxMsdosSysBytes / 1024) + " KB, which no MSDOS.SYS of Windows is";
    return std::nullopt;
}

std::optional<std::string> WhyNotTextMsdosSys(std::string_view bytes)
{
    if (std::optional<std::string> size = WhyNotMsdosSysSize(bytes.size()))
        return size;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0)
            return std::string("holds NUL bytes, as the binary MSDOS.SYS of MS-DOS does");
        if (u < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\x1A')
            return std::string("holds control bytes, so it is no text file of options");
    }
    return std::nullopt;
}

namespace {

struct Options {
    bool present = false; // an [Options] section or a key of one
    bool gui = true, logo = true;
};

Options ReadOptions(std::string_view text)
{
    const std::vector<Line> lines = Lines(text);
    Options options;
    ForEachOption(text, lines, [&](const Line& line, const KeyLine& key) {
        options.present = true;
        const std::string_view value = text.substr(line.begin + key.valueBegin, key.valueEnd - key.valueBegin);
        if (SameIgnoringCase(key.key, "BootGUI"))
            options.gui = value != "0";
        else if (SameIgnoringCase(key.key, "Logo"))
            options.logo = value != "0";
    });
    for (const Line& line : lines) {
        const auto section = Section(text.substr(line.begin, line.end - line.begin));
        options.present = options.present || (section && SameIgnoringCase(*section, "Options"));
    }
    return options;
}

} // namespace

BootLogo BootLogoOf(std::string_view text)
{
    const Options options = ReadOptions(text);
    if (!options.present)
        return BootLogo::NoOptions;
    if (!options.gui)
        return BootLogo::NoGui;
    return options.logo ? BootLogo::Shown : BootLogo::Hidden;
}

bool LogoSwitchOn(std::string_view text) { return ReadOptions(text).logo; }

std::string WithBootLogo(std::string_view text, bool on)
{
    const std::vector<Line> lines = Lines(text);
    const char value = on ? '1' : '0';
    std::string out(text);
    // Each Logo= value in place (one character in every file Windows writes).
    std::vector<std::pair<std::size_t, std::size_t>> values; // begin, end in text
    ForEachOption(text, lines, [&](const Line& line, const KeyLine& key) {
        if (SameIgnoringCase(key.key, "Logo"))
            values.emplace_back(line.begin + key.valueBegin, line.begin + key.valueEnd);
    });
    if (!values.empty()) {
        for (auto it = values.rbegin(); it != values.rend(); ++it)
            out.replace(it->first, it->second - it->first, 1, value);
        return out;
    }
    const bool crlf = text.find("\r\n") != std::string_view::npos || text.find('\n') == std::string_view::npos;
    const std::string eol = crlf ? "\r\n" : "\n";
    const std::string logoLine = std::string("Logo=") + value + eol;
    for (const Line& line : lines) {
        const auto section = Section(text.substr(line.begin, line.end - line.begin));
        if (!section || !SameIgnoringCase(*section, "Options"))
            continue;
        // Right under the header; a header on the last line without an end gets one.
        if (line.next == line.end)
            return out + eol + logoLine;
        out.insert(line.next, logoLine);
        return out;
    }
    // No [Options]: the section at the end (before an end-of-file mark, which
    // stays last), after a line end the last line may lack.
    std::size_t at = out.size();
    if (at > 0 && out[at - 1] == '\x1A')
        --at;
    const bool ended = at == 0 || out[at - 1] == '\n';
    out.insert(at, (ended ? "" : eol) + "[Options]" + eol + logoLine);
    return out;
}

} // namespace quillmere
