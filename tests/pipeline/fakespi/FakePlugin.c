/* A fake plug-in for the pipeline tests, built several times with different names, types and
 * patterns (see CMakeLists.txt). Its behaviour is driven by its input, so one build serves every
 * case:
 *
 * GetPicture / GetPictureInfo: input starting with "FAKEPIC" and a zero byte is a recipe —
 *   int32 result, uint32 info size, info bytes, uint32 bits size, bits bytes — and the plug-in
 *   hands back exactly those blocks (malloc'ed at exactly those sizes) and that result. Any
 *   other input gives a 2 × 1 24-bit picture whose every byte is FAKE_TAG (its size reads
 *   (100 + FAKE_TAG) × 50), so a test can tell which plug-in decoded a page.
 *
 * GetArchiveInfo / GetFile: the archive file is a text manifest, one item a line:
 *   rc N                  GetArchiveInfo returns N
 *   nohandle              GetArchiveInfo hands back no block
 *   unterminated          the record block has no closing record
 *   entry METHOD PATH NAME LISTED GIVEN TIME [SOURCE]
 *                         a record (PATH "-" is empty); GetFile gives GIVEN bytes (byte i is
 *                         (index + i) & 0xFF) or the bytes of the file SOURCE.
 *   Positions are 1000 + the entry's index. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "plugins/SpiAbi.h"

#ifndef FAKE_TAG
#define FAKE_TAG 1
#endif

#define MAX_ENTRIES 64
#define LINE_SIZE 2048

#ifndef FAKE_NO_PLUGININFO
static int copyText(const char* text, char* buf, int buflen)
{
    int n = 0;
    if (buf == NULL || buflen <= 0)
        return 0;
    /* CMake keeps ";" for its lists, so the build passes patterns separated by ",". */
    for (; text[n] != '\0' && n < buflen - 1; ++n)
        buf[n] = text[n] == ',' ? ';' : text[n];
    buf[n] = '\0';
    return n;
}

int GetPluginInfo(int infono, char* buf, int buflen)
{
    switch (infono) {
    case 0:
        return copyText(FAKE_VERSION, buf, buflen);
    case 1:
        return copyText("fake plug-in for tests", buf, buflen);
    case 2:
        return copyText(FAKE_PATTERNS2, buf, buflen);
    case 3:
        return copyText("fake files", buf, buflen);
#ifdef FAKE_PATTERNS4
    case 4:
        return copyText(FAKE_PATTERNS4, buf, buflen);
    case 5:
        return copyText("more fake files", buf, buflen);
#endif
    default:
        return 0;
    }
}
#endif

/* ---- pictures ---- */

static int readU32(const char* buf, long len, long* pos, uint32_t* value)
{
    if (*pos + 4 > len)
        return 0;
    memcpy(value, buf + *pos, 4);
    *pos += 4;
    return 1;
}

static void* copyBlock(const char* buf, long len, long* pos, uint32_t size, int* ok)
{
    void* block;
    if (*pos + (long)size > len) {
        *ok = 0;
        return NULL;
    }
    if (size == 0)
        return NULL;
    block = malloc(size);
    memcpy(block, buf + *pos, size);
    *pos += size;
    return block;
}

static int isRecipe(const char* buf, long len)
{
    return len >= 8 && memcmp(buf, "FAKEPIC", 8) == 0;
}

int GetPicture(const char* buf, long len, unsigned flag, void** info, void** bits, SpiProgress cb,
               long user)
{
    (void)flag;
    *info = NULL;
    *bits = NULL;
    if (cb != NULL && cb(0, 1, user) != 0)
        return 1;
    if (isRecipe(buf, len)) {
        long pos = 8;
        uint32_t result, infoSize, bitsSize;
        int ok = 1;
        if (!readU32(buf, len, &pos, &result) || !readU32(buf, len, &pos, &infoSize))
            return 2;
        *info = copyBlock(buf, len, &pos, infoSize, &ok);
        if (!readU32(buf, len, &pos, &bitsSize))
            return 2;
        *bits = copyBlock(buf, len, &pos, bitsSize, &ok);
        return ok ? (int)result : 2;
    }
    SpiBitmapInfoHeader* header = calloc(1, sizeof *header);
    header->biSize = 40;
    header->biWidth = 2;
    header->biHeight = 1;
    header->biPlanes = 1;
    header->biBitCount = 24;
    *info = header;
    *bits = malloc(8);
    memset(*bits, FAKE_TAG, 8);
    return 0;
}

int GetPictureInfo(const char* buf, long len, unsigned flag, SpiPictureInfo* info)
{
    (void)flag;
    memset(info, 0, sizeof *info);
    info->hInfo = malloc(16); /* the host must free it */
    strcpy(info->hInfo, "fake text");
    if (isRecipe(buf, len)) {
        long pos = 8;
        uint32_t result, infoSize;
        SpiBitmapInfoHeader header;
        if (!readU32(buf, len, &pos, &result) || !readU32(buf, len, &pos, &infoSize) ||
            infoSize < sizeof header || pos + (long)sizeof header > len)
            return 2;
        memcpy(&header, buf + pos, sizeof header);
        info->width = header.biWidth;
        info->height = header.biHeight;
        info->colorDepth = (int16_t)header.biBitCount;
        return (int)result;
    }
    info->width = 100 + FAKE_TAG;
    info->height = 50;
    info->colorDepth = 24;
    return 0;
}

/* ---- archives ---- */

typedef struct Entry {
    char method[8];
    char path[256];
    char name[256];
    unsigned long listed;
    unsigned long given;
    long time;
    char source[1024];
} Entry;

typedef struct Manifest {
    int result;
    int noHandle;
    int unterminated;
    int count;
    Entry entries[MAX_ENTRIES];
} Manifest;

static int readManifest(const char* path, Manifest* m)
{
    char line[LINE_SIZE];
    FILE* file = fopen(path, "r");
    memset(m, 0, sizeof *m);
    if (file == NULL)
        return 0;
    while (fgets(line, sizeof line, file) != NULL) {
        Entry* e = &m->entries[m->count];
        if (sscanf(line, "rc %d", &m->result) == 1)
            continue;
        if (strncmp(line, "nohandle", 8) == 0) {
            m->noHandle = 1;
        } else if (strncmp(line, "unterminated", 12) == 0) {
            m->unterminated = 1;
        } else if (m->count < MAX_ENTRIES &&
                   sscanf(line, "entry %7s %255s %255s %lu %lu %ld %1023s", e->method, e->path,
                          e->name, &e->listed, &e->given, &e->time, e->source) >= 6) {
            if (strcmp(e->path, "-") == 0)
                e->path[0] = '\0';
            ++m->count;
        }
    }
    fclose(file);
    return 1;
}

int GetArchiveInfo(const char* path, long len, unsigned flag, void** info)
{
    static Manifest m;
    SpiFileInfo* records;
    int i;
    (void)len;
    (void)flag;
    *info = NULL;
    if (!readManifest(path, &m))
        return 6;
    records = calloc((size_t)m.count + (m.unterminated ? 0 : 1), sizeof *records);
    for (i = 0; i < m.count; ++i) {
        memcpy(records[i].method, m.entries[i].method, sizeof records[i].method);
        records[i].position = 1000u + (uint32_t)i;
        records[i].compsize = (uint32_t)m.entries[i].listed;
        records[i].filesize = (uint32_t)m.entries[i].listed;
        records[i].timestamp = (int32_t)m.entries[i].time;
        strcpy(records[i].path, m.entries[i].path);
        strcpy(records[i].filename, m.entries[i].name);
    }
    if (m.noHandle)
        free(records);
    else
        *info = records;
    return m.result;
}

static void* readWholeFile(const char* path, unsigned long* size)
{
    void* bytes;
    long length;
    FILE* file = fopen(path, "rb");
    if (file == NULL)
        return NULL;
    fseek(file, 0, SEEK_END);
    length = ftell(file);
    fseek(file, 0, SEEK_SET);
    bytes = malloc(length > 0 ? (size_t)length : 1);
    *size = fread(bytes, 1, (size_t)length, file);
    fclose(file);
    return bytes;
}

int GetFile(const char* path, long pos, void** dest, unsigned flag, SpiProgress cb, long user)
{
    static Manifest m;
    const Entry* e;
    unsigned char* bytes;
    unsigned long i, size;
    *dest = NULL;
    if (flag != SPI_FILE_TO_MEMORY || !readManifest(path, &m) || pos < 1000 ||
        pos - 1000 >= m.count)
        return 1;
    e = &m.entries[pos - 1000];
    if (cb != NULL && cb(0, (int)e->given, user) != 0)
        return 1;
    if (e->source[0] != '\0') {
        *dest = readWholeFile(e->source, &size);
        return *dest != NULL ? 0 : 1;
    }
    bytes = malloc(e->given > 0 ? e->given : 1);
    for (i = 0; i < e->given; ++i)
        bytes[i] = (unsigned char)((pos - 1000 + (long)i) & 0xFF);
    *dest = bytes;
    return 0;
}
