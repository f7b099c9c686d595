// Reports as the tool writes them, for feeding the simulated mouse.
#pragma once

#include <cstdint>
#include <numeric>
#include <vector>

namespace talun::sim::test {

using Bytes = std::vector<uint8_t>;

// The default settings reports byte for byte.
inline Bytes Profile(uint8_t p = 0) {
    return {0x05, 0x03, p};
}
inline Bytes MainSettings(uint8_t breathing) {
    return {0x06, 0x25, 0x00, 0x0A, 0x0A, 0x1F, 0x08, 0x10,      0x20, 0x40, 0x50, 0x08, 0x10,
            0x20, 0x40, 0x50, 0x01, 0x0F, 0x12, 0x11, 0x13,      0x14, 0x01, 0x02, 0x00, 0x11,
            0x00, 0x01, 0x01, 0x01, 0x00, 0x01, 0x00, breathing, 0x00, 0x04, 0x03};
}
inline Bytes ButtonMap() {
    Bytes r = {0x07, 0x32, 0x00};
    for (uint8_t code :
         {0x01, 0x02, 0x03, 0x07, 0x08, 0x0E, 0x0F, 0x20, 0x1F, 0, 0, 0, 0, 0x09, 0x0A})
        r.insert(r.end(), {code, 0x00, 0x00});
    r.insert(r.end(), {0xBD, 0x00});
    return r;
}
inline Bytes OtgSpeed() {
    return {0x08, 0x06, 0x0A, 0x03, 0x06, 0x00};
}

// Stores the 16-bit byte sum of r[0 .. at-1] at r[at] (low) and r[at+1].
inline void Resum(Bytes& r, std::size_t at) {
    const unsigned sum = std::accumulate(r.begin(), r.begin() + at, 0u);
    r[at] = sum & 0xFF;
    r[at + 1] = (sum >> 8) & 0xFF;
}

// A firmware block: 3068 bytes of image, then the trailer 0x77 0x2E.
inline Bytes Block() {
    Bytes block(3070);
    for (std::size_t i = 0; i < 3068; ++i) block[i] = static_cast<uint8_t>(i * 7 + 3);
    block[3068] = 0x77;
    block[3069] = 0x2E;
    return block;
}

// Firmware chunk n (1 to 3) of block.
inline Bytes Chunk(int n, const Bytes& block = Block()) {
    Bytes r(1034, 0);
    r[0] = 0x2A;
    r[1] = static_cast<uint8_t>(n);
    const std::size_t first = 1024 * (n - 1), count = n == 3 ? 1022 : 1024;
    std::copy(block.begin() + first, block.begin() + first + count, r.begin() + 8);
    Resum(r, 1032);
    return r;
}

}  // namespace talun::sim::test
