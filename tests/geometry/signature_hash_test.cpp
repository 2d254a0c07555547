#include "geometry/signature_hash.h"

#include <gtest/gtest.h>

namespace {

TEST(SignatureHashTest, StartsFromItsOwnSeedNotTheOffsetBasis) {
  // Reference values computed outside this code base with the same seed.
  EXPECT_EQ(FoldHashBytes(SIGNATURE_HASH_SEED, "1ZRP", 4), 0x0ebfca26eeeb0f76ULL);
  EXPECT_EQ(FoldHashBytes(SIGNATURE_HASH_SEED, "", 0), SIGNATURE_HASH_SEED);
  EXPECT_NE(FoldHashBytes(0xcbf29ce484222325ULL, "1ZRP", 4), 0x0ebfca26eeeb0f76ULL);
}

TEST(SignatureHashTest, CountIsFoldedInOneStepAsUnsigned) {
  EXPECT_EQ(FoldHashCount(SIGNATURE_HASH_SEED, 5), 0x44bd2ed473ccfcb2ULL);
  // A negative count arrives as its unsigned 32-bit value, not sign-extended.
  EXPECT_EQ(FoldHashCount(SIGNATURE_HASH_SEED, static_cast<std::uint32_t>(-1)), 0x0ab624fe8c3306b4ULL);
  const std::uint32_t n = 0x01020304;
  EXPECT_NE(FoldHashCount(SIGNATURE_HASH_SEED, n), FoldHashBytes(SIGNATURE_HASH_SEED, &n, sizeof n));
}

}  // namespace
