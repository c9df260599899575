#include <gtest/gtest.h>

#include "collect/TRegistryEx.h"
#include "platform/Encoding.h"
#include "platform/replay/RegFile.h"
#include "support/RegistryFixtures.h"

using namespace mrv;
using namespace mrv::testing;

namespace {

std::string utf16File(std::string_view text) { return "\xFF\xFE" + utf8ToUtf16le(text); }

struct Loaded {
  MemoryRegistry reg;
  std::vector<std::string> messages;
  bool ok = false;
  std::string str(RootKey root, std::string_view path, std::string_view name) {
    TRegistryEx r(&reg);
    r.setRootKey(root);
    r.openKeyReadOnly(path);
    return r.readString(name);
  }
  RegValue value(RootKey root, std::string_view path, std::string_view name) {
    RegValue v;
    auto k = reg.openKey(root, path);
    if (k) k->queryValue(name, v);
    return v;
  }
};

Loaded load(std::string_view bytes) {
  Loaded l;
  l.ok = loadRegBytes(bytes, "test.reg", l.reg, l.messages);
  return l;
}

const RootKey LM = RootKey::LocalMachine;

TEST(RegFile, Version5AllValueForms) {
  auto l = load(utf16File(
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App]\r\n"
      "@=\"default\"\r\n"
      "\"Path\"=\"C:\\\\Program Files\\\\App\"\r\n"
      "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
      "\"名前\"=\"日本語の値\"\r\n"
      "\"Count\"=dword:0000002a\r\n"
      "\"Bytes\"=hex:01,02,ff\r\n"
      "\"None\"=hex(0):\r\n"
      "\"Exp\"=hex(2):25,00,41,00,25,00,00,00\r\n"
      "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,\\\r\n"
      "  00,00\r\n"
      "\"Big\"=hex(b):01,00,00,00,00,00,00,80\r\n"
      "\"Odd\"=hex(100):aa\r\n"
      "\r\n"
      "[HKEY_CLASSES_ROOT\\.txt]\r\n"
      "@=\"txtfile\"\r\n"));
  ASSERT_TRUE(l.ok);
  EXPECT_TRUE(l.messages.empty());
  EXPECT_EQ(l.str(LM, "\\Software\\vendor\\APP", ""), "default");
  EXPECT_EQ(l.str(LM, "\\Software\\Vendor\\App", "path"), "C:\\Program Files\\App");
  EXPECT_EQ(l.str(LM, "\\Software\\Vendor\\App", "Quote"), "say \"hi\"");
  EXPECT_EQ(l.str(LM, "\\Software\\Vendor\\App", "名前"), "日本語の値");
  EXPECT_EQ(l.value(LM, "Software\\Vendor\\App", "Count").data, dw(42));
  EXPECT_EQ(l.value(LM, "Software\\Vendor\\App", "Bytes").data, std::string("\x01\x02\xff", 3));
  EXPECT_EQ(l.value(LM, "Software\\Vendor\\App", "None").type, kRegNone);
  EXPECT_EQ(l.str(LM, "\\Software\\Vendor\\App", "Exp"), "%A%");
  TRegistryEx r(&l.reg);
  r.setRootKey(LM);
  r.openKeyReadOnly("\\Software\\Vendor\\App");
  EXPECT_EQ(r.readMultiString("Multi"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(l.value(LM, "Software\\Vendor\\App", "Big").type, kRegQword);
  EXPECT_EQ(l.value(LM, "Software\\Vendor\\App", "Odd").type, 0x100u);
  EXPECT_EQ(r.valueNames(), (std::vector<std::string>{"", "Path", "Quote", "名前", "Count", "Bytes", "None", "Exp",
                                                      "Multi", "Big", "Odd"}));
  EXPECT_EQ(l.str(RootKey::ClassesRoot, "\\.txt", ""), "txtfile");
}

TEST(RegFile, Regedit4IsShiftJis) {
  // "日本" in CP932, as a string and as the bytes of an expandable string and a multi-string
  const std::string text = std::string("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Test]\r\n\"S\"=\"") +
                           utf8ToAnsi("日本") + "\"\r\n\"E\"=hex(2):93,fa,96,7b,00\r\n\"M\"=hex(7):93,fa,00,41,00,00\r\n";
  auto l = load(text);
  ASSERT_TRUE(l.ok);
  EXPECT_TRUE(l.messages.empty());
  EXPECT_EQ(l.str(RootKey::CurrentUser, "\\Software\\Test", "S"), "日本");
  EXPECT_EQ(l.str(RootKey::CurrentUser, "\\Software\\Test", "E"), "日本");
  TRegistryEx r(&l.reg);
  r.setRootKey(RootKey::CurrentUser);
  r.openKeyReadOnly("\\Software\\Test");
  EXPECT_EQ(r.readMultiString("M"), (std::vector<std::string>{"日", "A"}));
}

TEST(RegFile, Version5AsUtf8WithOrWithoutMark) {
  const std::string body = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=\"値\"\n";
  for (const std::string& bytes : {body, "\xEF\xBB\xBF" + body}) {
    auto l = load(bytes);
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.str(LM, "\\A", "V"), "値");
  }
}

TEST(RegFile, DeletionsApplyInOrder) {
  auto l = load(utf16File(
      "Windows Registry Editor Version 5.00\r\n"
      "[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n\"x\"=\"1\"\r\n"
      "[HKEY_LOCAL_MACHINE\\A\\D]\r\n\"y\"=\"2\"\r\n\"z\"=\"3\"\r\n"
      "[-HKEY_LOCAL_MACHINE\\A\\B]\r\n"
      "\"ignored\"=\"under a deleted key\"\r\n"
      "[HKEY_LOCAL_MACHINE\\A\\D]\r\n\"y\"=-\r\n\"z\"=\"4\"\r\n"));
  ASSERT_TRUE(l.ok);
  EXPECT_TRUE(l.messages.empty());
  EXPECT_EQ(l.reg.openKey(LM, "A\\B"), nullptr);
  EXPECT_EQ(l.reg.find(LM, "A\\D")->values.size(), 1u);
  EXPECT_EQ(l.str(LM, "\\A\\D", "z"), "4");
}

TEST(RegFile, BadLinesAreReportedAndSkipped) {
  auto l = load(utf16File(
      "Windows Registry Editor Version 5.00\r\n"     // 1
      "\"early\"=\"no key yet\"\r\n"                  // 2
      "[HKEY_LOCAL_MACHINE\\Good]\r\n"               // 3
      "\"a\"=\"1\"\r\n"                               // 4
      "\"open\"=\"no closing quote\r\n"               // 5
      "\"b\"=\"2\"\r\n"                               // 6
      "\"odd\"=hex:1,abc,02\r\n"                      // 7
      "\"bad\"=hex:zz\r\n"                            // 8
      "\"dw\"=dword:123456789\r\n"                    // 9
      "\"what\"=qword:1\r\n"                          // 10
      "garbage\r\n"                                   // 11
      "\"name only\r\n"                               // 12
      "[HKEY_NOWHERE\\X]\r\n"                        // 13
      "[HKEY_LOCAL_MACHINE\\Unclosed\r\n"            // 14
      "\"lost\"=\"with its key line\"\r\n"            // 15: not reported again
      "[HKEY_LOCAL_MACHINE\\Good\\Sub]\r\n"          // 16
      "\"c\"=\"3\" trailing\r\n"                      // 17
      "\"d\"=\"4\"\r\n"));                            // 18
  ASSERT_TRUE(l.ok);
  const std::vector<std::string> lines = {"line 2:",  "line 5:",  "line 7:",  "line 8:",  "line 9:",
                                          "line 10:", "line 11:", "line 12:", "line 13:", "line 14:"};
  ASSERT_EQ(l.messages.size(), lines.size() + 1) << ::testing::PrintToString(l.messages);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_NE(l.messages[i].find("test.reg: " + lines[i]), std::string::npos) << l.messages[i];
    EXPECT_NE(l.messages[i].find("skipped"), std::string::npos);
  }
  EXPECT_NE(l.messages.back().find("line 17: unexpected characters after the closing quote"), std::string::npos);
  // everything that was sound is there
  EXPECT_EQ(l.str(LM, "\\Good", "a"), "1");
  EXPECT_EQ(l.str(LM, "\\Good", "b"), "2");
  EXPECT_EQ(l.str(LM, "\\Good\\Sub", "d"), "4");
  EXPECT_EQ(l.reg.find(LM, "Good")->values.size(), 2u);
}

TEST(RegFile, ManyBadLinesAreSummed) {
  std::string text = "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\A]\r\n";
  for (int i = 0; i < 30; ++i) text += "nonsense\r\n";
  auto l = load(utf16File(text));
  ASSERT_EQ(l.messages.size(), 21u);
  EXPECT_NE(l.messages.back().find("10 more lines"), std::string::npos) << l.messages.back();
}

TEST(RegFile, LargeValuesLoadWhole) {
  const std::size_t size = 1 << 20;
  std::string text = "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\Big]\r\n\"Blob\"=hex:";
  std::string expected;
  for (std::size_t i = 0; i < size; ++i) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02x,", static_cast<unsigned>(i % 251));
    text += buf;
    if (i % 25 == 24 && i + 1 < size) text += "\\\r\n  ";
    expected += static_cast<char>(i % 251);
  }
  text.pop_back();  // the last comma
  text += "\r\n\"Text\"=\"" + std::string(size, 'x') + "\"\r\n";
  auto l = load(text);
  ASSERT_TRUE(l.ok);
  EXPECT_TRUE(l.messages.empty());
  EXPECT_EQ(l.value(LM, "Big", "Blob").data, expected);
  EXPECT_EQ(l.str(LM, "\\Big", "Text").size(), size);
}

TEST(RegFile, KeysDeeperThanWindowsAllowsAreRefused) {
  std::string deep, ok;
  for (int i = 0; i < 10000; ++i) deep += "\\k";
  for (int i = 0; i < 512; ++i) ok += "\\k";
  auto l = load(utf16File("Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE" + deep +
                          "]\r\n\"v\"=\"1\"\r\n[HKEY_LOCAL_MACHINE" + ok + "]\r\n\"v\"=\"2\"\r\n"));
  ASSERT_TRUE(l.ok);
  ASSERT_EQ(l.messages.size(), 1u);
  EXPECT_NE(l.messages[0].find("line 2: key nested deeper than 512 levels"), std::string::npos);
  EXPECT_EQ(l.str(LM, ok, "v"), "2");
}

TEST(RegFile, NotARegistryExport) {
  for (const std::string& bytes : {std::string(), std::string("hello\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"),
                                   std::string("\xFF\xFE", 2), std::string("regf\0\0\0\0", 8)}) {
    auto l = load(bytes);
    EXPECT_FALSE(l.ok);
    ASSERT_EQ(l.messages.size(), 1u);
    EXPECT_NE(l.messages[0].find("not a registry export"), std::string::npos);
    EXPECT_EQ(l.reg.openKey(LM, "A"), nullptr);
  }
  MemoryRegistry reg;
  std::vector<std::string> messages;
  EXPECT_FALSE(loadRegFile("/nonexistent/x.reg", reg, messages));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("not found"), std::string::npos);
}

}  // namespace

namespace {

TEST(RegFile, LongHexRunsAreRefusedNotOverflowed) {
  // eight or more digits once overflowed the byte being built; now the line is just refused
  auto l = load(utf16File("Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"
                          "\"v\"=hex:ffffffff\r\n\"w\"=hex:ffffffffffffffffffffffffffffffff,01\r\n\"ok\"=hex:ff,01\r\n"));
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(l.messages.size(), 2u);
  EXPECT_EQ(l.value(LM, "A", "ok").data, std::string("\xFF\x01", 2));
  EXPECT_EQ(l.reg.find(LM, "A")->values.size(), 1u);
}

// An export lists keys in any order; the registry lists a key's subkeys sorted, case ignored, and
// its values as they were written.
TEST(RegFile, SubkeysAreListedAsTheRegistryListsThem) {
  auto l = load("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Family\\Zeta]\r\n\r\n[HKEY_LOCAL_MACHINE\\Family\\beta]\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\Family\\Alpha]\r\n\"z\"=\"1\"\r\n\"a\"=\"2\"\r\n");
  ASSERT_TRUE(l.ok);
  const std::vector<std::string> sorted = {"Alpha", "beta", "Zeta"};
  auto family = l.reg.openKey(LM, "Family");
  ASSERT_TRUE(family);
  EXPECT_EQ(family->subkeyNames(), sorted);
  std::vector<std::string> opened;
  for (const auto& sub : family->openSubkeys()) opened.push_back(sub.name);
  EXPECT_EQ(opened, sorted);
  TRegistryEx reader(&l.reg);
  reader.setRootKey(LM);
  ASSERT_TRUE(reader.openKeyReadOnly("\\Family"));
  EXPECT_EQ(reader.keyNames(), sorted);
  ASSERT_TRUE(reader.openKeyReadOnly("\\Family\\Alpha"));
  EXPECT_EQ(reader.valueNames(), (std::vector<std::string>{"z", "a"}));
}

TEST(RegFile, ManySiblingsAndValuesKeepTheirOrderAndLookups) {
  std::string text = "Windows Registry Editor Version 5.00\r\n";
  for (int i = 0; i < 3000; ++i) text += "[HKEY_LOCAL_MACHINE\\Classes\\K" + std::to_string(i) + "]\r\n\"v\"=\"" + std::to_string(i) + "\"\r\n";
  text += "[HKEY_LOCAL_MACHINE\\Classes\\k17]\r\n\"V\"=\"again\"\r\n\"w\"=\"x\"\r\n\"v\"=-\r\n";
  text += "[-HKEY_LOCAL_MACHINE\\Classes\\K5]\r\n";
  auto l = load(utf16File(text));
  ASSERT_TRUE(l.ok);
  const auto* classes = l.reg.find(LM, "Classes");
  ASSERT_NE(classes, nullptr);
  ASSERT_EQ(classes->children.size(), 2999u);
  EXPECT_EQ(classes->children[5]->name, "K6");  // insertion order survives a deletion
  EXPECT_EQ(l.reg.find(LM, "Classes\\K5"), nullptr);
  EXPECT_EQ(l.str(LM, "\\Classes\\K2999", "V"), "2999");
  // the second key line names the same key in another case; its "v" was replaced, then deleted
  EXPECT_EQ(l.str(LM, "\\Classes\\K17", "v"), "");
  EXPECT_EQ(l.str(LM, "\\Classes\\K17", "W"), "x");
  EXPECT_EQ(l.reg.find(LM, "Classes\\K17")->values.size(), 1u);
}

}  // namespace
