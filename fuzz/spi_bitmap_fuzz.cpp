// libFuzzer target: pictures handed back by an image plug-in, with arbitrary headers and bits.
// The input is an info block and a bits block — [16-bit info size][info bytes][bits bytes] —
// which a fake plug-in (tests/pipeline/fakespi, loaded through the registry like a real one)
// returns from GetPicture malloc'ed at exactly those sizes. get_image, get_image_info and
// get_thumbnail then run on it as for any page named *.pic, and the conversion is also called
// directly on exact copies of the two blocks. Asserted besides the sanitizers' checks: a
// converted picture is within the size cap and agrees with what the direct conversion gives.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "imaging/Bgr24.h"
#include "pipeline/Decoders.h"
#include "pipeline/PluginRegistry.h"
#include "pipeline/SpiBitmap.h"

namespace {

constexpr int kCell = 128;

void appendU32(std::string& out, uint32_t value)
{
    out.append(reinterpret_cast<const char*>(&value), 4);
}

// The fake plug-in's recipe: magic, GetPicture's result, the info block, the bits block.
std::string recipe(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize)
{
    std::string out("FAKEPIC", 8);
    appendU32(out, 0);
    appendU32(out, static_cast<uint32_t>(infoSize));
    out.append(reinterpret_cast<const char*>(info), infoSize);
    appendU32(out, static_cast<uint32_t>(bitsSize));
    out.append(reinterpret_cast<const char*>(bits), bitsSize);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    loadPluginsFrom(MEKURI_FUZZ_SPI_FOLDER);
    if (whichSpi("page.pic", "IN") < 0)
        std::abort(); // the fake plug-in did not load: every run would test nothing
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Reader reader(data, size);
    const size_t infoSize = reader.take(reader.u16());
    const uint8_t* info = reader.rest() - infoSize;
    const uint8_t* bits = reader.rest();
    const size_t bitsSize = reader.restSize();

    // The conversion on its own, over blocks of exactly the given sizes.
    const fuzz::Bytes infoCopy = fuzz::exactCopy(info, infoSize);
    const fuzz::Bytes bitsCopy = fuzz::exactCopy(bits, bitsSize);
    SpiBitmap direct;
    const bool converted =
        convertSpiBitmap(infoCopy.get(), infoSize, bitsCopy.get(), bitsSize, &direct).empty();
    if (converted && (!direct.pixels || !pictureSizeAllowed(direct.width, direct.height)))
        std::abort();

    // The same blocks through the registry and a plug-in, as the program gets them.
    const std::string page = recipe(info, infoSize, bits, bitsSize);
    const auto* bytes = reinterpret_cast<const unsigned char*>(page.data());
    int width = 0, height = 0;
    std::unique_ptr<unsigned char[]> pixels;
    const bool decoded = get_image(&width, &height, pixels, "page.pic", bytes, page.size()) == 1;
    // An empty block comes back from the plug-in as none at all, which the direct call cannot
    // tell; otherwise both ways must agree to the byte.
    if (decoded != converted && infoSize > 0 && bitsSize > 0)
        std::abort();
    if (decoded && converted &&
        (width != direct.width || height != direct.height ||
         std::memcmp(pixels.get(), direct.pixels.get(), pictureBytes(width, height)) != 0))
        std::abort();
    pixels.reset();

    int infoWidth = 0, infoHeight = 0;
    if (get_image_info(page.size(), "PAGE.PIC", &infoWidth, &infoHeight, bytes) == 0 &&
        (infoWidth <= 0 || infoHeight <= 0))
        std::abort();

    fuzz::Bytes cell(static_cast<unsigned char*>(std::malloc(kCell * 384)));
    int16_t w = 0, h = 0, x = 0, y = 0;
    if (get_thumbnail(&w, &h, &x, &y, cell.get(), bytes, page.size(), "page.pic") == 1 &&
        (w < 1 || h < 1 || x + w > kCell || y + h > kCell || x < 0 || y < 0))
        std::abort();
    return 0;
}
