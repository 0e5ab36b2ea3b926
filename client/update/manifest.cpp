#include "client/update/manifest.h"

#include <cstring>

#include "client/update/file_version.h"
#include "client/update/signature_db.h"
#include "client/update/staging.h"
#include "common/text.h"

namespace karvex {

namespace {

// version "#" name or version "@" name.
bool ParseProgramLine(const char* line, const char* separator, ItemKind kind, UPDATE_ITEM* item)
{
    const char* name = separator + 1;
    while (*name == ' ' || *name == '\t')
        ++name;
    if (std::strlen(name) >= sizeof item->szName || !IsProgramFileName(name))
        return false;
    // The version part ends at the separator: copy it out so the parser stops there.
    char versionPart[sizeof item->szVersion];
    const std::size_t length = static_cast<std::size_t>(separator - line);
    FILE_VERSION version;
    if (length >= sizeof versionPart)
        return false;
    std::memcpy(versionPart, line, length);
    versionPart[length] = '\0';
    if (!ParseFileVersion(versionPart, &version))
        return false;
    FormatFileVersion(item->szVersion, sizeof item->szVersion, version);
    CopyText(item->szName, name);
    item->nKind = kind;
    return true;
}

// major "." minor ... ".mal" / ".adv" / ".qua".
bool ParseDatabaseLine(const char* line, UPDATE_ITEM* item)
{
    static const struct {
        const char* extension;
        ItemKind kind;
        const char* file;
    } kDatabases[] = {{".mal", kItemUrlDb, "url.db"}, {".adv", kItemAdvDb, "adv.db"}, {".qua", kItemQuaDb, "qua.db"}};

    const char* extension = std::strrchr(line, '.');
    if (extension == nullptr)
        return false;
    for (const auto& db : kDatabases) {
        if (std::strcmp(extension, db.extension) != 0)
            continue;
        // The part before the extension holds major "." minor; what follows
        // the minor there is ignored.
        const char* text = line;
        std::int32_t major = 0;
        std::int32_t minor = 0;
        if (!ParseDecimal(text, &major) || *text++ != '.' || text > extension || !ParseDecimal(text, &minor) ||
            text > extension)
            return false;
        FormatDbVersion(item->szVersion, sizeof item->szVersion, major, minor);
        CopyText(item->szName, db.file);
        item->nKind = db.kind;
        return true;
    }
    return false;
}

}  // namespace

bool ParseManifestLine(const char* line, UPDATE_ITEM* item)
{
    if (const char* hash = std::strchr(line, '#'))
        return ParseProgramLine(line, hash, kItemProgramFile, item);
    if (const char* at = std::strchr(line, '@'))
        return ParseProgramLine(line, at, kItemRelease, item);
    return ParseDatabaseLine(line, item);
}

bool ReadWholeLine(std::FILE* file, char* line, std::size_t size, std::size_t* lines)
{
    for (;;) {
        int c = std::fgetc(file);
        if (c == EOF)
            return false;
        ++*lines;
        std::size_t length = 0;
        bool whole = true;
        // Read byte by byte: a NUL must not end the line early or hide the next.
        for (; c != EOF && c != '\n'; c = std::fgetc(file)) {
            if (c == '\0')
                whole = false;
            else if (length + 1 < size)
                line[length++] = static_cast<char>(c);
            else if (c != '\r')
                whole = false;
        }
        line[length] = '\0';
        if (whole)
            return true;
    }
}

std::vector<UPDATE_ITEM> ReadManifest(std::FILE* file, std::size_t* lines)
{
    std::vector<UPDATE_ITEM> items;
    *lines = 0;
    char line[kManifestLineBuffer];
    while (ReadWholeLine(file, line, sizeof line, lines)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        if (line[0] == '\0')
            continue;
        for (char* p = line; *p != '\0'; ++p) {
            if (*p >= 'A' && *p <= 'Z')
                *p = static_cast<char>(*p - 'A' + 'a');
        }
        UPDATE_ITEM item;
        if (ParseManifestLine(line, &item))
            items.push_back(item);
    }
    return items;
}

}  // namespace karvex
