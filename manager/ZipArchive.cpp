#include "ZipArchive.h"

#include "imaging/Errors.h"

#include <zip.h>

#include <memory>

namespace quillmere {

namespace {

struct ErrorHolder {
    zip_error_t error;
    ErrorHolder() { zip_error_init(&error); }
    ~ErrorHolder() { zip_error_fini(&error); }
    ErrorHolder(const ErrorHolder&) = delete;
    ErrorHolder& operator=(const ErrorHolder&) = delete;
};

std::string ReasonOf(zip_error_t* error)
{
    return ZipFailureReason(zip_error_code_zip(error), zip_error_strerror(error));
}

struct SourceFree {
    void operator()(zip_source_t* source) const noexcept { zip_source_free(source); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;

struct FileClose {
    void operator()(zip_file_t* file) const noexcept { zip_fclose(file); }
};

std::string Count(std::uint64_t bytes)
{
    return std::to_string(bytes) + " bytes";
}

constexpr std::string_view kControlCharacters = "its name holds control characters";

} // namespace

std::string ZipFailureReason(int libzipCode, std::string_view libraryText)
{
    switch (libzipCode) {
    case ZIP_ER_NOZIP:
        return "it is not a zip file, or one cut short";
    case ZIP_ER_INCONS:
        return "the zip file is damaged: its directory does not match its entries";
    case ZIP_ER_EOF:
    case ZIP_ER_SEEK:
    case ZIP_ER_READ:
        return "the zip file ends early or cannot be read";
    case ZIP_ER_CRC:
        return "its data are damaged (CRC error)";
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return "its compressed data are damaged";
    case ZIP_ER_COMPNOTSUPP:
        return "it is compressed in a way this program cannot read";
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return "it is encrypted, and encrypted zips are not read";
    case ZIP_ER_MULTIDISK:
        return "it is one part of a zip split over several files";
    case ZIP_ER_MEMORY:
        return "there is not enough memory to read it";
    default:
        return "the zip file is damaged (" + std::string(libraryText) + ")";
    }
}

std::string UnsafeEntryName(std::string_view name)
{
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return std::string(kControlCharacters);
    }
    if (name.starts_with('/') || name.starts_with('\\'))
        return "its name is an absolute path";
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return "its name starts with a drive letter";
    // Either separator: a zip made on Windows may use "\".
    for (std::size_t start = 0; start <= name.size();) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos)
            end = name.size();
        if (name.substr(start, end - start) == "..")
            return "its name climbs out of its folder (..)";
        start = end + 1;
    }
    return {};
}

ZipReader::ZipReader(std::span<const std::uint8_t> bytes, std::string shownName)
    : shownName_(std::move(shownName))
{
    ErrorHolder error;
    SourcePtr source(zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error.error));
    if (!source)
        throw FileError(shownName_, ReasonOf(&error.error));
    archive_ = zip_open_from_source(source.get(), ZIP_RDONLY | ZIP_CHECKCONS, &error.error);
    if (!archive_)
        throw FileError(shownName_, ReasonOf(&error.error));
    source.release(); // the archive owns it now
    try {
        const zip_int64_t count = zip_get_num_entries(archive_, 0);
        if (count < 0)
            throw FileError(shownName_, ReasonOf(zip_get_error(archive_)));
        if (static_cast<std::uint64_t>(count) > kMaxZipEntries)
            throw FileError(shownName_, "it has " + std::to_string(count) +
                                            " entries; a logo pack has at most " +
                                            std::to_string(kMaxZipEntries));
        std::uint64_t total = 0;
        for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
            zip_stat_t stat;
            zip_stat_init(&stat);
            if (zip_stat_index(archive_, i, 0, &stat) != 0)
                throw FileError(shownName_, ReasonOf(zip_get_error(archive_)));
            const std::uint64_t want =
                ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_ENCRYPTION_METHOD;
            if ((stat.valid & want) != want || stat.name == nullptr)
                throw FileError(shownName_, "the zip file is damaged: entry " + std::to_string(i + 1) +
                                                " has no name or sizes");
            ZipEntry entry{.index = i, .name = stat.name, .size = stat.size, .compressed = stat.comp_size};
            entry.folder = entry.name.ends_with('/');
            // A name with control characters is told by its place in the zip, never shown.
            if (const std::string why = UnsafeEntryName(entry.name); !why.empty())
                throw FileError(shownName_,
                                "entry " + (why == kControlCharacters ? std::to_string(i + 1) : entry.name) +
                                    " is refused: " + why);
            const std::string label = "entry " + entry.name;
            if (stat.encryption_method != ZIP_EM_NONE)
                throw FileError(shownName_, label + " is encrypted, and encrypted zips are not read");
            if (entry.size > kMaxZipEntryBytes)
                throw FileError(shownName_, label + " inflates to " + Count(entry.size) +
                                                "; an entry may have at most " + Count(kMaxZipEntryBytes));
            // Checked on the stated sizes, before anything is inflated; Read
            // holds the entry to its stated size.
            if (entry.size > kZipRatioFreeBytes && entry.size / kMaxZipRatio > entry.compressed)
                throw FileError(shownName_, label + " would inflate " + Count(entry.compressed) + " to " +
                                                Count(entry.size) + ", more than " +
                                                std::to_string(kMaxZipRatio) +
                                                " times; it is refused as a zip bomb");
            total += entry.size;
            if (total > kMaxZipTotalBytes)
                throw FileError(shownName_,
                                "its entries inflate to more than " + Count(kMaxZipTotalBytes) + " in all");
            entries_.push_back(std::move(entry));
        }
    }
    catch (...) {
        zip_discard(archive_);
        throw;
    }
}

ZipReader::~ZipReader()
{
    zip_discard(archive_);
}

std::string ZipReader::Read(const ZipEntry& entry) const
{
    const std::string label = "entry " + entry.name;
    std::unique_ptr<zip_file_t, FileClose> file(zip_fopen_index(archive_, entry.index, 0));
    if (!file)
        throw FileError(shownName_, label + ": " + ReasonOf(zip_get_error(archive_)));
    // One byte more than stated tells a lying directory from an honest one.
    std::string bytes(static_cast<std::size_t>(entry.size) + 1, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const zip_int64_t n = zip_fread(file.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0)
            throw FileError(shownName_, label + ": " + ReasonOf(zip_file_get_error(file.get())));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (got > entry.size)
        throw FileError(shownName_, label + " inflates past its stated size of " + Count(entry.size) +
                                        "; the zip file is damaged or forged");
    if (got < entry.size)
        throw FileError(shownName_, label + ": the zip file ends early or cannot be read");
    bytes.resize(got);
    return bytes;
}

std::vector<std::uint8_t> MakeZip(const std::vector<ZipMember>& members)
{
    ErrorHolder error;
    SourcePtr target(zip_source_buffer_create(nullptr, 0, 0, &error.error));
    if (!target)
        throw Error("cannot make a zip: " + std::string(zip_error_strerror(&error.error)));
    zip_t* archive = zip_open_from_source(target.get(), ZIP_TRUNCATE, &error.error);
    if (!archive)
        throw Error("cannot make a zip: " + std::string(zip_error_strerror(&error.error)));
    // The archive frees its source when closed; the bytes are read from it after.
    zip_source_keep(target.get());
    const auto fail = [&archive](const char* what) {
        const std::string reason = zip_error_strerror(zip_get_error(archive));
        zip_discard(archive);
        throw Error(std::string("cannot make a zip (") + what + "): " + reason);
    };
    for (const ZipMember& m : members) {
        zip_source_t* data = zip_source_buffer(archive, m.bytes.data(), m.bytes.size(), 0);
        if (!data)
            fail("data");
        const zip_int64_t index = zip_file_add(archive, m.name.c_str(), data, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(data);
            fail("entry");
        }
        if (zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9) != 0)
            fail("compression");
    }
    if (zip_close(archive) != 0)
        fail("close");

    if (zip_source_open(target.get()) != 0)
        throw Error("cannot read the zip made: " +
                    std::string(zip_error_strerror(zip_source_error(target.get()))));
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (;;) {
        const zip_int64_t n = zip_source_read(target.get(), buffer, sizeof buffer);
        if (n < 0) {
            zip_source_close(target.get());
            throw Error("cannot read the zip made: " +
                        std::string(zip_error_strerror(zip_source_error(target.get()))));
        }
        if (n == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    zip_source_close(target.get());
    return bytes;
}

} // namespace quillmere
