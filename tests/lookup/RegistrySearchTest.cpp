#include <gtest/gtest.h>

#include "ui/FormServices.h"
#include "ui/MemoryViews.h"
#include "lookup/RegistrySearch.h"
#include "platform/Platform.h"
#include "platform/replay/MemoryRegistry.h"
#include "support/RegistryFixtures.h"

using namespace mrv;
using namespace mrv::testing;

namespace {

// The window as the search command sees it, with the view reset the main window performs.
class FakeForm : public FormServices {
 public:
  explicit FakeForm(RegistryStore* registry) { platform_.registry = registry; }
  TextView& memo() override { return memo_; }
  GridView& grid() override { return grid_; }
  StatusView& status() override { return status_; }
  WindowView& window() override { return window_; }
  Dialogs& dialogs() override { return dialogs_; }
  const Platform& platform() const override { return platform_; }
  bool askUnsavedChanges() override {
    ++questions;
    return goOn;
  }
  void resetView() override {
    ++resets;
    memo_.setVisible(true);
    memo_.clear();
    memo_.setReadOnly(true);
    memo_.setModified(false);
    grid_.setVisible(false);
    status_.setProgressVisible(false);
    status_.setStatusText("");
  }
  std::string programDir() const override { return "."; }

  // Types the search text into the first line, as the user does.
  void type(const std::string& text) {
    memo_.setLines({text});
    memo_.setModified(true);
  }

  MemoryTextView memo_;
  MemoryGridView grid_;
  MemoryStatusView status_;
  MemoryWindowView window_;
  ScriptedDialogs dialogs_;
  Platform platform_;
  bool goOn = true;
  int questions = 0, resets = 0;
};

const RootKey LM = RootKey::LocalMachine;
const RootKey CU = RootKey::CurrentUser;

std::vector<RegEntry> content() {
  return {
      strValue(LM, "Software\\A1", "Name", "xabcx"),
      strValue(LM, "Software\\A2", "Text", "ABCdef"),
      dwordValue(LM, "Software\\A3", "Num", 1234),
      strValue(LM, "Software\\A4", "Exp", "zzqq expandable", kRegExpandSz),
      {LM, "Software\\A4", "Bin", kRegBinary, "zzqq bytes"},
      strValue(LM, "Software\\A4", "Plain", "nothing to see"),
      strValue(LM, "Software\\Classes\\C1", "V", "zzqqclass"),
      strValue(LM, "Software\\A5\\Classes\\C2", "V", "zzqqclass"),
      strValue(LM, "Software\\A6", "Jp", "日本語テキスト"),
      strValue(LM, "System\\S1", "Mixed", "zzqqsys"),
      dwordValue(LM, "System\\S1", "Count", 0xFFFFFFFF),
      {LM, "System\\S1", "Blob", kRegBinary, "zzqqsys"},
      strValue(LM, "System\\S1", "alpha", "first"),
      strValue(LM, "System\\S1", "", "default text"),
      keyOnly(LM, "System\\S2"),
      strValue(CU, "Software\\cLaSsEs\\C3", "V", "zzqqclass"),
      strValue(CU, "Software\\U1", "V", "zzqquser"),
      strValue(CU, "System\\U2", "V", "zzqquser"),
  };
}

class RegistrySearch : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    store_ = openFixture(GetParam(), content(), dir_, messages_);
    ASSERT_TRUE(store_);
    ASSERT_TRUE(messages_.empty()) << messages_.front();
  }
  std::vector<std::string> search(const std::string& text, std::string_view root, std::string_view start) {
    form_.type(text);
    SearchRegistry(form_, root, start);
    return form_.memo_.lines();
  }
  std::vector<std::string> searchSoftware(const std::string& text) {
    return search(text, "HKEY_LOCAL_MACHINE", "\\Software");
  }

  TempDir dir_;
  std::vector<std::string> messages_;
  std::unique_ptr<RegistryStore> store_;
  FakeForm form_{nullptr};

  void TearDown() override {}

 public:
  RegistrySearch() = default;
};

using Lines = std::vector<std::string>;

TEST_P(RegistrySearch, CaseAndPrefixOptions) {
  form_.platform_.registry = store_.get();
  EXPECT_EQ(searchSoftware("Abc"), (Lines{"Abc", "HKEY_LOCAL_MACHINE"}));
  EXPECT_EQ(searchSoftware("&Abc"), (Lines{"&Abc", "HKEY_LOCAL_MACHINE", "\\Software\\A1", "  Name  ----  xabcx",
                                           "\\Software\\A2", "  Text  ----  ABCdef"}));
  EXPECT_EQ(searchSoftware("&-abc"), (Lines{"&-abc", "HKEY_LOCAL_MACHINE", "\\Software\\A2", "  Text  ----  ABCdef"}));
  // "-" before "&" makes "&abc" the literal prefix
  EXPECT_EQ(searchSoftware("-&abc"), (Lines{"-&abc", "HKEY_LOCAL_MACHINE"}));
}

TEST_P(RegistrySearch, IntegersMatchByTheirDecimalText) {
  form_.platform_.registry = store_.get();
  const Lines found{"\\Software\\A3", "  Num  ----  1234"};
  auto lines = searchSoftware("234");
  EXPECT_EQ(Lines(lines.begin() + 2, lines.end()), found);
  lines = searchSoftware("-123");
  EXPECT_EQ(Lines(lines.begin() + 2, lines.end()), found);
  EXPECT_EQ(searchSoftware("-234").size(), 2u);
}

TEST_P(RegistrySearch, ExpandableAndBinaryValuesAreNeitherTestedNorListed) {
  form_.platform_.registry = store_.get();
  // only A5\Classes\C2 holds zzqq as a plain string; A4 has it in other types; Classes is skipped
  EXPECT_EQ(searchSoftware("zzqq"), (Lines{"zzqq", "HKEY_LOCAL_MACHINE", "\\Software\\A5\\Classes\\C2",
                                           "  V  ----  zzqqclass"}));
}

TEST_P(RegistrySearch, ListingIsSortedAndShowsOnlyStringsAndIntegers) {
  form_.platform_.registry = store_.get();
  EXPECT_EQ(search("zzqqsys", "HKEY_LOCAL_MACHINE", "\\System"),
            (Lines{"zzqqsys", "HKEY_LOCAL_MACHINE", "\\System\\S1", "    ----  default text", "  alpha  ----  first",
                   "  Count  ----  -1", "  Mixed  ----  zzqqsys"}));
}

TEST_P(RegistrySearch, ClassesHasItsOwnCommand) {
  form_.platform_.registry = store_.get();
  form_.type("zzqqclass");
  HKEYLOCALMACHINESoftwareClasses11Click(form_);
  EXPECT_EQ(form_.memo_.lines(),
            (Lines{"zzqqclass", "HKEY_LOCAL_MACHINE", "\\Software\\Classes\\C1", "  V  ----  zzqqclass"}));
  // under HKEY_CURRENT_USER\Software the key is skipped in any letter case
  form_.type("zzqqclass");
  HKEYCURRENTUSERSoftware31Click(form_);
  EXPECT_EQ(form_.memo_.lines(), (Lines{"zzqqclass", "HKEY_CURRENT_USER"}));
}

TEST_P(RegistrySearch, UserSubtrees) {
  form_.platform_.registry = store_.get();
  form_.type("zzqquser");
  HKEYCURRENTUSERSystem41Click(form_);
  EXPECT_EQ(form_.memo_.lines(), (Lines{"zzqquser", "HKEY_CURRENT_USER", "\\System\\U2", "  V  ----  zzqquser"}));
  // any root name other than HKEY_LOCAL_MACHINE reads HKEY_CURRENT_USER
  EXPECT_EQ(search("zzqquser", "HKLM", "\\Software"),
            (Lines{"zzqquser", "HKLM", "\\Software\\U1", "  V  ----  zzqquser"}));
}

TEST_P(RegistrySearch, SelectionIsTheSearchText) {
  form_.platform_.registry = store_.get();
  form_.type("first line is not used");
  form_.memo_.selection = "&ABCDEF";
  LOCALMACHINE1Click(form_);
  EXPECT_EQ(form_.memo_.lines(), (Lines{"&ABCDEF", "HKEY_LOCAL_MACHINE", "\\Software\\A2", "  Text  ----  ABCdef"}));
}

// "2 characters or fewer" counts Shift-JIS bytes: two kanji (4 bytes) are searched, "ab" is not.
TEST_P(RegistrySearch, ThreeAnsiBytesAtLeast) {
  form_.platform_.registry = store_.get();
  EXPECT_EQ(searchSoftware("&-ab"), (Lines{"&-ab"}));
  EXPECT_FALSE(form_.status_.progressVisible());
  EXPECT_EQ(form_.status_.statusUpdates, 1);  // the reset only: no key was visited
  EXPECT_EQ(searchSoftware("日本"), (Lines{"日本", "HKEY_LOCAL_MACHINE", "\\Software\\A6", "  Jp  ----  日本語テキスト"}));
  EXPECT_EQ(searchSoftware("日"), (Lines{"日"}));   // 2 bytes
  EXPECT_EQ(searchSoftware("ﾃｷ"), (Lines{"ﾃｷ"}));  // half-width kana: 1 byte each
  EXPECT_EQ(searchSoftware("本語テ"), (Lines{"本語テ", "HKEY_LOCAL_MACHINE", "\\Software\\A6", "  Jp  ----  日本語テキスト"}));
}

TEST_P(RegistrySearch, WindowStateAfterTheWalk) {
  form_.platform_.registry = store_.get();
  searchSoftware("nowhere at all");
  EXPECT_TRUE(form_.memo_.readOnly());
  EXPECT_FALSE(form_.memo_.modified());
  EXPECT_TRUE(form_.status_.progressVisible());
  EXPECT_EQ(form_.status_.progressMaximum(), 7);  // A1 to A6 and Classes, which is passed over
  EXPECT_EQ(form_.status_.progress(), 7);
  EXPECT_EQ(form_.status_.statusText(), "\\Software\\A6");  // the last key visited
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistrySearch, MERVANA_REGISTRY_BACKENDS,
                         [](const auto& info) { return std::string(backendName(info.param)); });

// A store that refuses some keys, as Windows does for keys without read access: whether opened by
// path from the root or from their parent key.
class DenyingStore : public RegistryStore {
 public:
  DenyingStore(RegistryStore& inner, std::string denied) : inner_(inner), denied_(std::move(denied)) {}
  std::unique_ptr<RegistryKey> openKey(RootKey root, std::string_view path) override {
    if (iequalsAscii(path, denied_)) return nullptr;
    auto key = inner_.openKey(root, path);
    return key ? std::make_unique<Key>(*this, std::string(path), std::move(key)) : nullptr;
  }

 private:
  class Key : public RegistryKey {
   public:
    Key(DenyingStore& store, std::string path, std::unique_ptr<RegistryKey> inner)
        : store_(store), path_(std::move(path)), inner_(std::move(inner)) {}
    std::vector<std::string> subkeyNames() override { return inner_->subkeyNames(); }
    std::size_t subkeyCount() override { return inner_->subkeyCount(); }
    std::vector<std::string> valueNames() override { return inner_->valueNames(); }
    bool queryValue(std::string_view name, RegValue& out) override { return inner_->queryValue(name, out); }
    std::unique_ptr<RegistryKey> openSubkey(std::string_view rel) override {
      const std::string path = path_.empty() ? std::string(rel) : path_ + "\\" + std::string(rel);
      if (iequalsAscii(path, store_.denied_)) return nullptr;
      auto key = inner_->openSubkey(rel);
      return key ? std::make_unique<Key>(store_, path, std::move(key)) : nullptr;
    }

   private:
    DenyingStore& store_;
    std::string path_;
    std::unique_ptr<RegistryKey> inner_;
  };

  RegistryStore& inner_;
  std::string denied_;
};

TEST(RegistrySearchCommand, UnreadableKeysArePassedOverSilently) {
  MemoryRegistry reg;
  reg.setString(RootKey::LocalMachine, "Software\\Locked\\Inner", "V", "secret match");
  reg.setString(RootKey::LocalMachine, "Software\\Open", "V", "open match");
  DenyingStore store(reg, "Software\\Locked");
  FakeForm form(&store);
  form.type("match");
  LOCALMACHINE1Click(form);
  EXPECT_EQ(form.memo_.lines(), (Lines{"match", "HKEY_LOCAL_MACHINE", "\\Software\\Open", "  V  ----  open match"}));
  EXPECT_TRUE(form.dialogs_.shown.empty());
}

TEST(RegistrySearchCommand, WithoutARegistryNothingIsFound) {
  FakeForm form(nullptr);
  form.type("anything");
  HKEYLOCALMACHINESystem21Click(form);
  EXPECT_EQ(form.memo_.lines(), (Lines{"anything", "HKEY_LOCAL_MACHINE"}));
}

TEST(RegistrySearchCommand, AbandonAtTheUnsavedChangesQuestion) {
  MemoryRegistry reg;
  FakeForm form(&reg);
  form.type("edited definitions");
  form.goOn = false;
  LOCALMACHINE1Click(form);
  SearchStr1Click(form);
  EXPECT_EQ(form.questions, 2);
  EXPECT_EQ(form.resets, 0);
  EXPECT_EQ(form.memo_.lines(), (Lines{"edited definitions"}));
  EXPECT_TRUE(form.memo_.modified());
  EXPECT_EQ(form.window_.caption(), "Mervana 検索");  // the caption is set before the question
}

TEST(RegistrySearchCommand, SearchTextCommandPreparesTheMemo) {
  FakeForm form(nullptr);
  form.window_.setPanelVisible(true);
  form.type("old text");
  SearchStr1Click(form);
  EXPECT_EQ(form.window_.caption(), "Mervana 検索");
  EXPECT_TRUE(form.memo_.lines().empty());
  EXPECT_FALSE(form.memo_.readOnly());
  EXPECT_FALSE(form.window_.panelVisible());
  EXPECT_EQ(form.status_.statusText(), "検索文字を１行目に書いてください");
}

TEST(RegistrySearchCommand, ProgressFollowsTheStartKeysSubkeys) {
  // a status view that records every bar position
  struct RecordingStatus : MemoryStatusView {
    void setProgress(int p) override {
      positions.push_back(p);
      MemoryStatusView::setProgress(p);
    }
    std::vector<int> positions;
  };
  class Form : public FakeForm {
   public:
    using FakeForm::FakeForm;
    StatusView& status() override { return rec; }
    RecordingStatus rec;
  };
  MemoryRegistry reg;
  for (const char* k : {"K1\\a\\b", "K1\\c", "K2", "K3\\d", "K4"}) reg.createKey(RootKey::LocalMachine, std::string("Software\\") + k);
  Form form(&reg);
  form.type("none");
  LOCALMACHINE1Click(form);
  // set to 0 at the start, then one step per subkey of the start key, never by deeper keys
  EXPECT_EQ(form.rec.positions, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(form.rec.progressMaximum(), 4);
}

}  // namespace
