#include "catalog/Rle.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "catalog/CatalogEntry.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes encode(const Bytes& input)
{
    Bytes out(rleBound(input.size()) + 1, 0xEE);
    const size_t n = rleEncode(out.data(), input.data(), input.size(), nullptr);
    EXPECT_EQ(out[rleBound(input.size())], 0xEE) << "wrote past the bound";
    out.resize(n);
    return out;
}

Bytes decode(const Bytes& compressed, size_t capacity, long* produced)
{
    Bytes out(capacity);
    *produced = rleDecode(compressed.size(), out.data(), out.size(), compressed.data());
    if (*produced >= 0)
        out.resize(static_cast<size_t>(*produced));
    return out;
}

void expectRoundTrip(const Bytes& input)
{
    const Bytes compressed = encode(input);
    long produced = 0;
    EXPECT_EQ(decode(compressed, input.size(), &produced), input);
    EXPECT_EQ(produced, static_cast<long>(input.size()));
}

} // namespace

TEST(RleEncode, ExampleBytes)
{
    EXPECT_EQ(encode({1, 1, 1, 1, 1, 0x88, 2}),
              (Bytes{0x88, 0x01, 0x05, 0x00, 0x88, 0x88, 0x01, 0x00, 0x02}));
}

TEST(RleEncode, RunsOfFourStayLiteralRunsOfFiveBecomeOneItem)
{
    EXPECT_EQ(encode({7, 7, 7, 7}), (Bytes{7, 7, 7, 7}));
    EXPECT_EQ(encode({7, 7, 7, 7, 7}), (Bytes{0x88, 7, 5, 0}));
    EXPECT_EQ(encode({1, 2, 2, 3, 3, 3}), (Bytes{1, 2, 2, 3, 3, 3}));
}

TEST(RleEncode, EveryRunOfTheEscapeByteIsAnItem)
{
    EXPECT_EQ(encode({0x88}), (Bytes{0x88, 0x88, 1, 0}));
    EXPECT_EQ(encode({0x88, 0x88}), (Bytes{0x88, 0x88, 2, 0}));
    EXPECT_EQ(encode({5, 0x88, 5}), (Bytes{5, 0x88, 0x88, 1, 0, 5}));
}

TEST(RleEncode, RunsAreNeverSplitWithinARecord)
{
    Bytes zeros(kCatalogEntrySize, 0);
    EXPECT_EQ(encode(zeros), (Bytes{0x88, 0, 0x20, 0xC2})); // 49696 = 0xC220
    expectRoundTrip(zeros);
}

TEST(RleEncode, WorstCaseStaysWithinTwoAndAHalfTimes)
{
    Bytes input(kCatalogEntrySize);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = (i % 2) ? 0x88 : 1;
    const Bytes compressed = encode(input);
    EXPECT_EQ(compressed.size(), input.size() / 2 * 5);
    expectRoundTrip(input);
}

TEST(RleEncode, RoundTripsRandomRecords)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        Bytes input(kCatalogEntrySize);
        // Mostly runs of random length, with the escape byte often among the values.
        size_t i = 0;
        while (i < input.size()) {
            const unsigned char value =
                (random() % 4 == 0) ? 0x88 : static_cast<unsigned char>(random());
            size_t run = 1 + random() % (round % 2 ? 3 : 12);
            while (run-- > 0 && i < input.size())
                input[i++] = value;
        }
        expectRoundTrip(input);
    }
    expectRoundTrip({});
    expectRoundTrip({0x88, 0x88, 0x88, 0x88, 0x88, 0x88});
}

TEST(RleEncode, RunsLongerThanTheCountCanHoldAreCut)
{
    Bytes input(70000, 9);
    EXPECT_EQ(encode(input), (Bytes{0x88, 9, 0xFF, 0xFF, 0x88, 9, 0x71, 0x11}));
    expectRoundTrip(input);
}

TEST(RleDecode, CopiesLiteralsAndExpandsItems)
{
    long produced = 0;
    EXPECT_EQ(decode({0x88, 0x01, 0x05, 0x00, 0x88, 0x88, 0x01, 0x00, 0x02}, 100, &produced),
              (Bytes{1, 1, 1, 1, 1, 0x88, 2}));
    EXPECT_EQ(decode({0x88, 4, 0, 0, 3}, 100, &produced), (Bytes{3})); // a zero count is empty
}

TEST(RleDecode, RefusesAnItemCutOffByTheEnd)
{
    long produced = 0;
    decode({1, 0x88}, 100, &produced);
    EXPECT_EQ(produced, -1);
    decode({1, 0x88, 5}, 100, &produced);
    EXPECT_EQ(produced, -1);
    decode({1, 0x88, 5, 1}, 100, &produced);
    EXPECT_EQ(produced, -1); // 256 copies do not fit in 100
    decode({0x88, 5, 3}, 100, &produced);
    EXPECT_EQ(produced, -1);
}

TEST(RleDecode, NeverWritesPastTheRecord)
{
    // A sentinel right behind the capacity must survive every overflowing input.
    const std::vector<Bytes> inputs = {
        {0x88, 0x41, 0xFF, 0xFF},
        {0x88, 0x41, 0x0A, 0x00, 0x42},
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
        {0x88, 0x41, 0x05, 0x00, 0x88, 0x41, 0x06, 0x00},
    };
    for (const Bytes& input : inputs) {
        Bytes out(11, 0);
        out[10] = 0x5A;
        EXPECT_EQ(rleDecode(input.size(), out.data(), 10, input.data()), -1);
        EXPECT_EQ(out[10], 0x5A);
    }
    // Exactly full is fine.
    Bytes out(10);
    const Bytes exact = {0x88, 0x41, 0x0A, 0x00};
    EXPECT_EQ(rleDecode(exact.size(), out.data(), out.size(), exact.data()), 10);
}
