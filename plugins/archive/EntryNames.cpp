#include "plugins/archive/EntryNames.h"

#include <archive.h>

#include <cstring>

#include "platform/Text.h"

namespace {

std::string replaceInvalidBytes(const std::string& raw)
{
    std::string out;
    size_t pos = 0;
    while (pos < raw.size()) {
        size_t length = 1;
        const char32_t c = decodeUtf8(raw, pos, &length);
        // decodeUtf8 marks an ill-formed byte as a lone surrogate 0xDC00 + byte.
        if (c >= 0xDC00 && c <= 0xDCFF && length == 1)
            appendUtf8(out, 0xFFFD);
        else
            out.append(raw, pos, length);
        pos += length;
    }
    return out;
}

} // namespace

std::string entryNameToUtf8(const std::string& raw)
{
    if (isValidUtf8(raw))
        return raw;
    std::string decoded;
    if (cp932ToUtf8(raw, decoded) && isValidUtf8(decoded))
        return decoded;
    return replaceInvalidBytes(raw);
}

bool splitEntryName(const std::string& name, SpiFileInfo& record)
{
    const size_t slash = name.rfind('/');
    const size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t fileLength = name.size() - fileStart;
    if (fileLength == 0 || fileLength >= sizeof record.filename || fileStart >= sizeof record.path)
        return false;
    std::memcpy(record.path, name.data(), fileStart);
    record.path[fileStart] = '\0';
    std::memcpy(record.filename, name.data() + fileStart, fileLength);
    record.filename[fileLength] = '\0';
    return true;
}

std::string methodText(archive* a)
{
    switch (archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) {
    case ARCHIVE_FORMAT_LHA: {
        // libarchive names the LZH format per entry as "lha -lh5-".
        const char* name = archive_format_name(a);
        const char* method = name != nullptr ? std::strchr(name, '-') : nullptr;
        if (method != nullptr && std::strlen(method) == 5)
            return method;
        return "lha";
    }
    case ARCHIVE_FORMAT_RAR:
        return "rar";
    case ARCHIVE_FORMAT_RAR_V5:
        return "rar5";
    case ARCHIVE_FORMAT_7ZIP:
        return "7z";
    case ARCHIVE_FORMAT_TAR:
        return "tar";
    case ARCHIVE_FORMAT_ZIP:
        return "zip";
    default:
        return "archive";
    }
}
