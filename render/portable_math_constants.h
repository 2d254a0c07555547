// Constants of the portable maths functions, derived with mpmath by
// scripts/derive-portable-math-constants.py (hexadecimal literals, so the
// compiler reads each as exactly the double written).
#pragma once
#include <cstdint>

namespace portable_math::constants {

// 2/pi, 32 bits a word, the first word holding the bits just after the binary point.
constexpr std::uint32_t TWO_OVER_PI_WORDS[48] = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599, 0x3C439041,
    0xFE5163AB, 0xDEBBC561, 0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C,
    0xFE1DEB1C, 0xB129A73E, 0xE88235F5, 0x2EBB4484, 0xE99C7026, 0xB45F7E41,
    0x3991D639, 0x835339F4, 0x9C845F8B, 0xBDF9283B, 0x1FF897FF, 0xDE05980F,
    0xEF2F118B, 0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7, 0x4F463F66, 0x9E5FEA2D,
    0x7527BAC7, 0xEBE5F17B, 0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1, 0x1F8D5D08,
    0x56033046, 0xFC7B6BAB, 0xF0CFBC20, 0x9AF4361D, 0xA9E39161, 0x5EE61B08,
    0x6599855F, 0x14A06840, 0x8DFFD880, 0x4D732731, 0x06061556, 0xCA73A8C9,
};
// pi/2 = P1 + P2 + P3 + P4, the first three of 33 bits each.
constexpr double HALF_PI_1 = 0x1.921fb54400000p+0;
constexpr double HALF_PI_2 = 0x1.0b4611a600000p-34;
constexpr double HALF_PI_3 = 0x1.3198a2e000000p-69;
constexpr double HALF_PI_4 = 0x1.b839a252049c1p-104;
constexpr double PI_HI = 0x1.921fb54442d18p+1;  // 3.1415926535897932385
constexpr double PI_LO = 0x1.1a62633145c07p-53;
constexpr double HALF_PI_HI = 0x1.921fb54442d18p+0;  // 1.5707963267948966192
constexpr double HALF_PI_LO = 0x1.1a62633145c07p-54;
constexpr double QUARTER_PI_HI = 0x1.921fb54442d18p-1;  // 0.78539816339744830962
constexpr double QUARTER_PI_LO = 0x1.1a62633145c07p-55;
constexpr double THREE_QUARTER_PI_HI = 0x1.2d97c7f3321d2p+1;  // 2.3561944901923449288
constexpr double THREE_QUARTER_PI_LO = 0x1.a79394c9e8a0ap-54;
constexpr double TWO_OVER_PI = 0x1.45f306dc9c883p-1;
constexpr double LN2_1 = 0x1.62e42fefa3800p-1;  // 42 bits
constexpr double LN2_2 = 0x1.ef35793c76730p-45;
constexpr double LN2 = 0x1.62e42fefa39efp-1;
// atan(i / 16), i = 0 ... 16, as a head and a tail.
constexpr double ATAN_TABLE[17][2] = {
    {0x0.0p+0, 0x0.0p+0},
    {0x1.ff55bb72cfdeap-5, -0x1.c934d86d23f1dp-60},
    {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59},
    {0x1.7b97b4bce5b02p-3, 0x1.347b0b4f881cap-58},
    {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57},
    {0x1.362773707ebccp-2, -0x1.963a544b672d8p-57},
    {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56},
    {0x1.a64eec3cc23fdp-2, -0x1.24dec1b50b7ffp-56},
    {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56},
    {0x1.0657e94db30d0p-1, -0x1.d5b495f6349e6p-56},
    {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58},
    {0x1.345f01cce37bbp-1, 0x1.1021137c71102p-55},
    {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56},
    {0x1.5d58987169b18p-1, 0x1.0028e4bc5e7cap-57},
    {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56},
    {0x1.819d0b7158a4dp-1, -0x1.bf76229d3b917p-56},
    {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55},
};
// 1/3 - (the double nearest 1/3)
constexpr double THIRD_DEFICIT = 0x1.5555555555555p-56;
// max fit error 1.1588e-20
constexpr double SIN_POLY[7] = {-0x1.5555555555555p-3, 0x1.1111111111110p-7, -0x1.a01a01a019938p-13, 0x1.71de3a546095bp-19, -0x1.ae645412c560cp-26, 0x1.61217f0b800d5p-33, -0x1.ab17d404de5b3p-41};
// max fit error 6.4421e-22
constexpr double COS_POLY[7] = {0x1.5555555555555p-5, -0x1.6c16c16c16c16p-10, 0x1.a01a01a019d0ap-16, -0x1.27e4fb7712d65p-22, 0x1.1eed8deb97a97p-29, -0x1.9394ba0cd6ed5p-37, 0x1.ab785b00b4646p-45};
// max fit error 2.816e-23
constexpr double ATAN_POLY[6] = {-0x1.5555555555555p-2, 0x1.999999999999ap-3, -0x1.2492492492115p-3, 0x1.c71c71bfa986ap-4, -0x1.745cddcbb37cdp-4, 0x1.3a473906628e6p-4};
// max fit error 9.5616e-23
constexpr double LOG_POLY[10] = {0x1.5555555555555p-1, 0x1.999999999999ap-2, 0x1.2492492492486p-2, 0x1.c71c71c71f25dp-3, 0x1.745d17437dd42p-3, 0x1.3b13b26136ac9p-3, 0x1.1110b8c7b87aep-3, 0x1.e20298b3549b3p-4, 0x1.ab83adfe89707p-4, 0x1.bedc93d84a158p-4};

}  // namespace portable_math::constants
