#include "codec/cipher.h"

#include <gtest/gtest.h>

#include <random>

namespace codec {
namespace {

TEST(Cipher, EmptyTextStaysEmpty) {
  EXPECT_EQ(EncryptText("", kNumberHeadKey), "");
  EXPECT_EQ(DecryptText("", kNumberHeadKey), "");
}

TEST(Cipher, FirstByteIsPlainXorHighByteOfStartKey) {
  // 347 = 0x015B: the first byte is XORed with 0x01.
  EXPECT_EQ(EncryptText("1", kNumberHeadKey), "0");
  EXPECT_EQ(EncryptText(std::string(1, '\x01'), kNumberHeadKey),
            std::string(1, '\0'));
}

TEST(Cipher, RoundTripsEveryByteValueForManyKeys) {
  std::mt19937 rng(7);
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  for (int k = 0; k < 200; ++k) {
    CodecKey key{static_cast<uint16_t>(rng()), static_cast<uint16_t>(rng()),
                 static_cast<uint16_t>(rng())};
    if (k == 0) key = {0xFFFF, 0xFFFF, 0xFFFF};  // wraps everywhere
    std::string cipher = EncryptText(all, key);
    ASSERT_EQ(cipher.size(), all.size());
    EXPECT_EQ(DecryptText(cipher, key), all);
  }
}

TEST(Cipher, SharedPrefixGivesSharedPrefixAndChangePropagates) {
  std::string a = EncryptText("1380013", kNumberHeadKey);
  std::string b = EncryptText("1380913", kNumberHeadKey);
  EXPECT_EQ(a.substr(0, 4), b.substr(0, 4));
  EXPECT_NE(a[4], b[4]);
  EXPECT_NE(a.substr(5), b.substr(5));
}

}  // namespace
}  // namespace codec
