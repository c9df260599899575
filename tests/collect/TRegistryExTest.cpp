#include <gtest/gtest.h>

#include "base/Error.h"
#include "base/Text.h"
#include "collect/TRegistryEx.h"
#include "platform/replay/MemoryRegistry.h"

using namespace mrv;

namespace {

const RootKey LM = RootKey::LocalMachine;

class TRegistryExTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg.setString(LM, "Software\\Vendor\\App", "Name", "アプリ");
    reg.setString(LM, "Software\\Vendor\\App", "Path", "%ProgramFiles%\\App", kRegExpandSz);
    reg.setDword(LM, "Software\\Vendor\\App", "Count", 0xFFFFFFFE);
    reg.setQword(LM, "Software\\Vendor\\App", "Big", 5);
    reg.setMultiString(LM, "Software\\Vendor\\App", "List", {"one", "二"});
    reg.setString(LM, "Software\\Vendor\\App", "", "default");
    reg.createKey(LM, "Software\\Vendor\\App\\Zeta");
    reg.createKey(LM, "Software\\Vendor\\App\\alpha");
    reg.setString(RootKey::CurrentUser, "Software\\Vendor\\App", "Name", "user's");
  }
  MemoryRegistry reg;
  TRegistryEx r{&reg};
};

TEST_F(TRegistryExTest, MissingKeysAndValuesReadAsEmptyText) {
  r.setRootKey(LM);
  EXPECT_EQ(r.readString("Name"), "");  // no key open
  EXPECT_FALSE(r.openKeyReadOnly("\\Software\\Nobody"));
  EXPECT_FALSE(r.hasOpenKey());
  EXPECT_EQ(r.readString("Name"), "");
  EXPECT_TRUE(r.valueNames().empty());
  EXPECT_FALSE(r.hasSubKeys());
  ASSERT_TRUE(r.openKeyReadOnly("\\SOFTWARE\\vendor\\app"));
  EXPECT_EQ(r.readString("absent"), "");
  EXPECT_EQ(r.readString("NAME"), "アプリ");
  EXPECT_EQ(r.readString(""), "default");
}

TEST_F(TRegistryExTest, TextAndIntegerReadsCheckTheType) {
  r.setRootKey(LM);
  ASSERT_TRUE(r.openKeyReadOnly("\\Software\\Vendor\\App"));
  EXPECT_EQ(r.readString("Path"), "%ProgramFiles%\\App");  // expandable strings are text, unexpanded
  EXPECT_THROW(r.readString("Count"), MrvError);
  EXPECT_THROW(r.readString("List"), MrvError);
  EXPECT_EQ(r.readInteger("Count"), -2);
  EXPECT_THROW(r.readInteger("absent"), MrvError);
  EXPECT_THROW(r.readInteger("Name"), MrvError);
  EXPECT_THROW(r.readInteger("Big"), MrvError);
  EXPECT_EQ(r.dataType("Big"), std::optional<std::uint32_t>(kRegQword));
  EXPECT_EQ(r.dataType("absent"), std::nullopt);
  EXPECT_EQ(r.readBinaryData("Count"), std::string("\xFE\xFF\xFF\xFF", 4));
  EXPECT_THROW(r.readBinaryData("absent"), MrvError);
}

TEST_F(TRegistryExTest, MultiStrings) {
  r.setRootKey(LM);
  ASSERT_TRUE(r.openKeyReadOnly("\\Software\\Vendor\\App"));
  EXPECT_EQ(r.readMultiString("list"), (std::vector<std::string>{"one", "二"}));
  EXPECT_EQ(r.readMultiString("Name"), std::nullopt);
  EXPECT_EQ(r.readMultiString("absent"), std::nullopt);
  // as stored by other writers: no list terminator, no terminator at all, an empty list
  const std::string a = utf8ToUtf16le("a"), b = utf8ToUtf16le("b"), nul(2, '\0');
  EXPECT_EQ(decodeMultiString(a + nul + b + nul), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(decodeMultiString(a + nul + b), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(decodeMultiString(nul).empty());
  EXPECT_TRUE(decodeMultiString("").empty());
  EXPECT_EQ(decodeMultiString(a + nul + "\x62"), (std::vector<std::string>{"a"}));  // odd byte dropped
}

TEST_F(TRegistryExTest, OneOpenKeyRelativeOrFromTheRoot) {
  r.setRootKey(LM);
  ASSERT_TRUE(r.openKeyReadOnly("\\Software\\Vendor"));
  ASSERT_TRUE(r.openKeyReadOnly("App"));  // relative to the open key
  EXPECT_EQ(r.currentPath(), "Software\\Vendor\\App");
  EXPECT_EQ(r.keyNames(), (std::vector<std::string>{"alpha", "Zeta"}));  // sorted, case ignored
  EXPECT_TRUE(r.hasSubKeys());
  EXPECT_EQ(r.valueNames(), (std::vector<std::string>{"Name", "Path", "Count", "Big", "List", ""}));
  ASSERT_TRUE(r.openKeyReadOnly("\\Software\\Vendor\\App\\Zeta\\"));
  EXPECT_FALSE(r.hasSubKeys());
  EXPECT_FALSE(r.openKeyReadOnly("Nothing"));  // a failed opening leaves no key open
  EXPECT_FALSE(r.hasOpenKey());
  ASSERT_TRUE(r.openKeyReadOnly("Software"));  // relative to the root again
  r.setRootKey(RootKey::CurrentUser);  // changing the root closes the key
  EXPECT_FALSE(r.hasOpenKey());
  ASSERT_TRUE(r.openKeyReadOnly("\\Software\\Vendor\\App"));
  EXPECT_EQ(r.readString("Name"), "user's");
}

TEST(TRegistryExWithoutStore, EveryKeyIsMissing) {
  TRegistryEx r(nullptr);
  r.setRootKey(LM);
  EXPECT_FALSE(r.openKeyReadOnly("\\Software"));
  EXPECT_FALSE(r.openKeyReadOnly(""));
  EXPECT_EQ(r.readString("x"), "");
  EXPECT_THROW(r.readInteger("x"), MrvError);
  EXPECT_TRUE(r.keyNames().empty());
}

}  // namespace
