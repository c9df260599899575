// The buffers of the Windows protocol-specific storage query that NVMe data arrives in: the
// request as the driver expects it, and every way an answer can fail to hold what was asked.
#include <gtest/gtest.h>

#include "platform/StorageProtocolData.h"

using namespace mrv;

namespace {

std::uint32_t at32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
}

// An answer as a driver gives it: the descriptor, then `length` bytes of data at `offset`.
std::vector<std::uint8_t> answer(std::uint32_t offset, std::uint32_t length, std::size_t total) {
  std::vector<std::uint8_t> b(total, 0);
  put32(b, 0, 48);
  put32(b, 4, 48);
  put32(b, 8, kProtocolTypeNvme);
  put32(b, 8 + 16, offset);
  put32(b, 8 + 20, length);
  for (std::size_t i = 8 + offset; i < total; ++i) b[i] = static_cast<std::uint8_t>(i);
  return b;
}

}  // namespace

TEST(StorageProtocolData, RequestLayout) {
  const auto b = buildStorageProtocolQuery({kStorageDeviceProtocolSpecificProperty, kNvmeDataTypeIdentify, 0, 1, 4096});
  ASSERT_EQ(b.size(), 8u + 40 + 4096);
  EXPECT_EQ(at32(b, 0), 50u);      // StorageDeviceProtocolSpecificProperty
  EXPECT_EQ(at32(b, 4), 0u);       // PropertyStandardQuery
  EXPECT_EQ(at32(b, 8), 3u);       // ProtocolTypeNvme
  EXPECT_EQ(at32(b, 12), 1u);      // NVMeDataTypeIdentify
  EXPECT_EQ(at32(b, 16), 0u);      // CNS 00h
  EXPECT_EQ(at32(b, 20), 1u);      // namespace 1
  EXPECT_EQ(at32(b, 24), 40u);     // the data right after the protocol data
  EXPECT_EQ(at32(b, 28), 4096u);
}

TEST(StorageProtocolData, AnswerDataOnlyWhenItLiesInsideTheAnswer) {
  std::span<const std::uint8_t> data;
  std::string problem;
  const auto good = answer(40, 512, 48 + 512);
  ASSERT_TRUE(storageProtocolAnswerData(good, 512, data, problem)) << problem;
  EXPECT_EQ(data.data(), good.data() + 48);
  EXPECT_EQ(data.size(), 512u);
  // a driver may put the data further on
  const auto later = answer(56, 512, 64 + 512);
  ASSERT_TRUE(storageProtocolAnswerData(later, 512, data, problem)) << problem;
  EXPECT_EQ(data.data(), later.data() + 64);

  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  auto oldVersion = good;
  put32(oldVersion, 0, 40);
  const Case cases[] = {
      {"shorter than the descriptor", std::vector<std::uint8_t>(good.begin(), good.begin() + 40)},
      {"unknown descriptor", oldVersion},
      {"data cut short", answer(40, 512, 48 + 500)},
      {"less data than asked", answer(40, 256, 48 + 512)},
      {"offset inside the descriptor", answer(8, 512, 48 + 512)},
      {"offset beyond the answer", answer(0xFFFFFFF0u, 512, 48 + 512)},
  };
  for (const Case& c : cases) {
    problem.clear();
    EXPECT_FALSE(storageProtocolAnswerData(c.bytes, 512, data, problem)) << c.what;
    EXPECT_FALSE(problem.empty()) << c.what;
    EXPECT_TRUE(data.empty()) << c.what;
  }
}
