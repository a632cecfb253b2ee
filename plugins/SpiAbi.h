/* The plug-in interface shared by the program and its plug-ins (the Susie calling
 * convention, as shared objects on Linux).
 *
 * A plug-in is a shared object named *.spi in the program file's folder. It exports the
 * functions below with C linkage; each returns 0 for success unless said otherwise. Every
 * block a plug-in hands over through a void** is malloc'ed by the plug-in and freed by the
 * program with free().
 *
 * Differences from the Windows interface: names are UTF-8, so the path and file-name fields of
 * the archive record are widened from 200 to SPI_PATH_SIZE and SPI_NAME_SIZE bytes; the text
 * handle of SpiPictureInfo is a pointer. */
#ifndef MEKURI_SPI_ABI_H
#define MEKURI_SPI_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SPI_PATH_SIZE 1024
#define SPI_NAME_SIZE 1024

/* GetFile flag: the source is a file, the destination a new memory block. */
#define SPI_FILE_TO_MEMORY 0x0100
/* GetPicture / GetPictureInfo flag: the source is a memory block. */
#define SPI_INPUT_MEMORY 1

#pragma pack(push, 1)

/* One record of the block GetArchiveInfo returns; the block ends with a record whose method
 * field starts with a zero byte. */
typedef struct SpiFileInfo {
    unsigned char method[8];      /* compression method text, such as "-lh5-" */
    uint32_t position;            /* what GetFile takes to find this entry again */
    uint32_t compsize;            /* compressed size */
    uint32_t filesize;            /* size of the entry's bytes */
    int32_t timestamp;            /* seconds since 1970-01-01 UTC */
    char path[SPI_PATH_SIZE];     /* folder inside the archive, "" or ending in "/", NUL-ended */
    char filename[SPI_NAME_SIZE]; /* NUL-ended */
    uint32_t crc;
} SpiFileInfo;

typedef struct SpiPictureInfo {
    int32_t left, top;
    int32_t width, height;
    uint16_t x_density, y_density;
    int16_t colorDepth;
    void* hInfo; /* optional malloc'ed text, freed by the program */
} SpiPictureInfo;

/* The 40-byte bitmap information header that starts GetPicture's info block; a colour table
 * (4 bytes an entry: blue, green, red, 0) or three 32-bit masks (red, green, blue) follows it
 * at biSize bytes. */
typedef struct SpiBitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight; /* positive: rows bottom-up; negative: top-down */
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression; /* 0 none, 3 bit fields */
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
} SpiBitmapInfoHeader;

#pragma pack(pop)

/* Progress: work done, work total, the caller's value. Returns 0 to go on, non-zero to stop. */
typedef int (*SpiProgress)(int done, int total, long user);

/* infono 0: API version ("00IN" image, "00AM" archive); 2, 4, 6…: extension patterns such as
 * "*.png;*.apng"; odd numbers: descriptions. Returns the length written, 0 when none. */
typedef int (*GetPluginInfoFn)(int infono, char* buf, int buflen);
/* Lists an archive: *info receives the record block. flag 0: `path` names a file. */
typedef int (*GetArchiveInfoFn)(const char* path, long len, unsigned flag, void** info);
/* Extracts the entry found by `pos` into a new block of exactly the listed file size; any
 * failure, including fewer or more bytes than listed, is a non-zero result and no block. */
typedef int (*GetFileFn)(const char* path, long pos, void** dest, unsigned flag, SpiProgress cb,
                         long user);
/* Decodes a picture held in memory: *info gets the bitmap information block, *bits the rows. */
typedef int (*GetPictureFn)(const char* buf, long len, unsigned flag, void** info, void** bits,
                            SpiProgress cb, long user);
/* Reads a picture's size without decoding it. */
typedef int (*GetPictureInfoFn)(const char* buf, long len, unsigned flag, SpiPictureInfo* info);

#ifdef __cplusplus
}
#endif

#endif
