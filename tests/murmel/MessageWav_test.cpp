// The 44-byte header of the message WAV files, byte for byte.
#include "murmel/MessageWav.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MessageWav, HeaderByteForByte) {
    const struct {
        uint32_t data;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {0,
         {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
          0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0}},
        {640,
         {'R', 'I', 'F', 'F', 0xA4, 0x02, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
          0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 0x80, 0x02, 0, 0}},
        {0x01234567,
         {'R', 'I', 'F', 'F', 0x8B, 0x45, 0x23, 0x01, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
          0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 0x67, 0x45, 0x23, 0x01}},
    };
    for (const auto& c : cases) {
        const auto header = murmel::MessageWavHeader(c.data);
        EXPECT_EQ(std::vector<uint8_t>(header.begin(), header.end()), c.bytes) << c.data;
    }
}

}  // namespace
