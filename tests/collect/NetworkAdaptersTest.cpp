// The adapter rows from recorded WMI instances (tests/data/wmi/adapters).
#include "platform/PlatformServices.h"
#include "collect/NetworkAdapters.h"

#include <gtest/gtest.h>

#include "platform/Wmi.h"
#include "ui/MemoryViews.h"

namespace mrv {
namespace {

using Rows = std::vector<std::string>;

struct AdapterRun {
  Rows rows;
  std::vector<std::string> failures;
};

AdapterRun run(const std::string& fixture) {
  Sources sources;
  sources.wmi = std::string(MERVANA_SOURCE_DIR) + "/tests/data/wmi/adapters/" + fixture;
  std::string message;
  auto wmi = openWmiService(sources, message);
  EXPECT_TRUE(wmi) << message;
  Platform platform;
  platform.wmi = wmi.get();
  CollectionState state(nullptr);
  ScriptedDialogs dialogs;
  CollectionContext ctx(platform, state, dialogs);
  AdapterRun r;
  ctx.onStepFailure = [&](std::string_view, std::string_view what) { r.failures.emplace_back(what); };
  r.rows = NetworkAdapters(ctx);
  return r;
}

Rows block(const Rows& rows, int n) { return Rows(rows.begin() + 8 * n, rows.begin() + 8 * n + 8); }
const Rows kEmptyBlock(8);

TEST(NetworkAdapters, OneAdapterOnTenFillsTheFirstBlock) {
  const Rows rows = run("one-10x.txt").rows;
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(block(rows, 0), (Rows{"Intel(R) PRO/100 VE Network Connection", "1", " 10.  0.  0.  5", "255.255.255.0",
                                  "10.0.0.1", "10.0.0.1, 10.0.0.2", "00:0C:29:3A:5B:7C", "10.0.0.10,10.0.0.11"}));
  EXPECT_EQ(block(rows, 1), kEmptyBlock);
}

TEST(NetworkAdapters, A192AdapterAlwaysGoesToTheSecondBlock) {
  Rows rows = run("one-192-168-1.txt").rows;
  EXPECT_EQ(block(rows, 0), kEmptyBlock);
  EXPECT_EQ(block(rows, 1), (Rows{"Realtek RTL8139 Family PCI Fast Ethernet NIC", "0", "192.168.  1. 20",
                                  "255.255.255.0", "192.168.1.1", "192.168.1.1", "00:E0:4C:11:22:33", ""}));

  // the first of two adapters is on 192.: it moves behind the other one
  rows = run("two-192-first.txt").rows;
  EXPECT_EQ(rows[0], "Office side");
  EXPECT_EQ(rows[8], "Home router side");
}

TEST(NetworkAdapters, TwoAdaptersStopTheWalkAndKeepTheirOrderUnless192) {
  const Rows rows = run("two-10x-and-192-168-0.txt").rows;
  EXPECT_EQ(rows[0], "Office LAN");
  EXPECT_EQ(rows[2], " 10.  1.  0. 33");
  EXPECT_EQ(rows[8], "Wireless");
  EXPECT_EQ(rows[10], "192.168.  0.  7");
  EXPECT_EQ(rows[12], "") << "no gateway";
  EXPECT_EQ(rows[13], "") << "no DNS servers";
  for (const auto& r : rows) EXPECT_EQ(r.find("Third"), std::string::npos);
}

TEST(NetworkAdapters, EqualMacAddressesAreShownOnce) {
  const Rows rows = run("equal-mac.txt").rows;
  EXPECT_EQ(rows[6], "00:1B:21:AA:BB:CC");
  EXPECT_EQ(rows[8], "Team member 2");
  EXPECT_EQ(rows[14], "");
}

TEST(NetworkAdapters, MissingGatewayAndDnsLists) {
  const Rows rows = run("no-gateway-dns-lists.txt").rows;
  // null gateway: only that field is empty
  EXPECT_EQ(rows[4], "");
  EXPECT_EQ(rows[3], "255.0.0.0");
  EXPECT_EQ(rows[7], "10.0.0.20");
  // a repeated entry ends the list; 10.0.0.1 is a server of its own, not a repeat of 10.0.0.10
  EXPECT_EQ(rows[5], "10.0.0.10, 10.0.0.1");
  // an empty gateway list; at most five DNS servers
  EXPECT_EQ(rows[12], "");
  EXPECT_EQ(rows[13], "10.0.1.1, 10.0.1.2, 10.0.1.3, 10.0.1.4, 10.0.1.5");
}

TEST(NetworkAdapters, AnAdapterThatCannotBeReadLeavesItsSlotToTheNext) {
  const AdapterRun r = run("failing-properties.txt");
  EXPECT_EQ(block(r.rows, 0), (Rows{"Working card", "0", " 10.  5.  0.  9", "255.255.255.0", "", "",
                                    "00:00:5E:00:00:02", ""}))
      << "nothing of the broken adapter may stay behind";
  EXPECT_EQ(block(r.rows, 1), kEmptyBlock);
  EXPECT_EQ(r.failures.size(), 1u);
}

TEST(NetworkAdapters, NoUsableAdapterOrNoWmiGivesSixteenEmptyRows) {
  EXPECT_EQ(run("none-enabled.txt").rows, Rows(16));

  Platform none;
  CollectionState state(nullptr);
  ScriptedDialogs dialogs;
  CollectionContext ctx(none, state, dialogs);
  EXPECT_EQ(NetworkAdapters(ctx), Rows(16));
}

TEST(NetworkAdapters, AFailingQueryGivesSixteenEmptyRows) {
  EXPECT_EQ(run("no-adapter-class.txt").rows, Rows(16));
  // and a whole recorded machine for contrast
  EXPECT_EQ(run("../office-pc-2006.txt").rows[8], "Intel(R) PRO/100 VE Network Connection");
}

}  // namespace
}  // namespace mrv
