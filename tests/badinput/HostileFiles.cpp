#include "HostileFiles.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tools/BookMaker.h"

namespace {

using Bytes = std::vector<unsigned char>;

void put32le(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

void append32be(Bytes& b, uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void pngChunk(Bytes& out, const char* type, const Bytes& data)
{
    append32be(out, static_cast<uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    append32be(out, static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

Bytes smallJpeg()
{
    RgbImage page(16, 16, {200, 60, 60});
    return encodeJpeg(page, 80);
}

void zipClaimingFourGiB(const std::string& path)
{
    writeZip(path, {{"big.jpg", smallJpeg()}}, /*store=*/true);
    Bytes zip = readFile(path);
    // Local header: uncompressed size at 22. Central directory record: at 24.
    put32le(zip, 22, 0xFFFFFFF0u);
    for (size_t i = 0; i + 4 <= zip.size(); ++i) {
        if (zip[i] == 'P' && zip[i + 1] == 'K' && zip[i + 2] == 1 && zip[i + 3] == 2)
            put32le(zip, i + 24, 0xFFFFFFF0u);
    }
    writeFile(path, zip);
}

void jpegDeclaringHugeSize(const std::string& path)
{
    Bytes jpeg = smallJpeg();
    for (size_t i = 0; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = 0xEA; // height 60000
            jpeg[i + 6] = 0x60;
            jpeg[i + 7] = 0xEA; // width 60000
            jpeg[i + 8] = 0x60;
            break;
        }
    }
    writeFile(path, jpeg);
}

void pngBomb(const std::string& path)
{
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    append32be(header, 40000);
    append32be(header, 40000);
    header.insert(header.end(), {8, 0, 0, 0, 0}); // 8-bit grey
    pngChunk(png, "IHDR", header);
    // A megabyte of zero rows compresses to about a kilobyte.
    const Bytes zeros(1 << 20, 0);
    uLongf size = compressBound(static_cast<uLong>(zeros.size()));
    Bytes packed(size);
    compress2(packed.data(), &size, zeros.data(), static_cast<uLong>(zeros.size()), 9);
    packed.resize(size);
    pngChunk(png, "IDAT", packed);
    pngChunk(png, "IEND", {});
    writeFile(path, png);
}

void tenThousandEntries(const std::string& path)
{
    const Bytes page = encodeJpeg(RgbImage(8, 8, {60, 60, 200}), 50);
    std::vector<std::pair<std::string, Bytes>> entries;
    entries.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "p%05d.jpg", i);
        entries.emplace_back(name, page);
    }
    writeZip(path, entries, /*store=*/true);
}

void oddFolder(const std::string& folder)
{
    mkdir(folder.c_str(), 0755);
    writeFile(folder + "/a_good.jpg", smallJpeg());
    mkfifo((folder + "/b_fifo.jpg").c_str(), 0644);
    if (symlink((folder + "/missing.jpg").c_str(), (folder + "/c_gone.jpg").c_str()) != 0)
        return;
    writeFile(folder + "/d_locked.jpg", smallJpeg());
    chmod((folder + "/d_locked.jpg").c_str(), 0);
    mkdir((folder + "/e_folder.jpg").c_str(), 0755);
    writeFile(folder + "/f_\xff\xfe.jpg", smallJpeg());
    writeFile(folder + "/g_empty.jpg", {});
}

void negativeCatalog(const std::string& folder)
{
    mkdir(folder.c_str(), 0755);
    writeZip(folder + "/vol1.zip", {{"p1.jpg", smallJpeg()}});
    const std::string header = "mekuri catalog 0000\n";
    Bytes catalog(28, 0);
    std::copy(header.begin(), header.end(), catalog.begin());
    put32le(catalog, 20, 49696);
    put32le(catalog, 24, static_cast<uint32_t>(-5));
    writeFile(folder + "/_$mekuri.bin", catalog);
}

} // namespace

void makeHostileFiles(const std::string& folder)
{
    zipClaimingFourGiB(folder + "/zip_claims_4gib.zip");
    jpegDeclaringHugeSize(folder + "/jpeg_60000.jpg");
    pngBomb(folder + "/png_bomb.png");
    tenThousandEntries(folder + "/ten_thousand_entries.zip");
    writeZip(folder + "/\xff\xfe-not-utf8.zip", {{"p1.jpg", smallJpeg()}});
    oddFolder(folder + "/odd_pages");
    negativeCatalog(folder + "/negative_catalog");
}
