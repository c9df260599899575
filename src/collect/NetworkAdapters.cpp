#include "collect/NetworkAdapters.h"

#include <array>
#include <exception>

#include "base/Text.h"
#include "collect/WmiQuery.h"
#include "platform/Wmi.h"
#include "collect/ValueTerms.h"

namespace mrv {

namespace {

// One adapter's eight texts, in record order.
enum Field { kName, kDhcp, kIp, kSubnet, kGateway, kDns, kMac, kWins, kFieldCount };
using Slot = std::array<std::string, kFieldCount>;

constexpr std::size_t kDnsEntriesAsked = 5;

// A property read as text: null (or a property the object lacks) reads as empty text.
std::string textOf(const WmiObject& o, std::string_view name) {
  const WmiProperty* p = o.find(name);
  if (!p || p->value.isNull) return {};
  return WmiValueText(*p);
}

bool isTrue(const WmiObject& o, std::string_view name) {
  const WmiProperty* p = o.find(name);
  if (!p || p->value.isNull || p->value.isArray || p->value.items.empty()) return false;
  if (const bool* b = std::get_if<bool>(&p->value.items[0])) return *b;
  if (const std::int64_t* n = std::get_if<std::int64_t>(&p->value.items[0])) return *n != 0;
  return false;
}

// Entry `index` of an array property; a null value, a scalar or an index past the end raises, as
// indexing the variant does.
std::string entryOf(const WmiObject& o, std::string_view name, std::size_t index) {
  const WmiProperty& p = o.item(name);
  if (p.value.isNull || !p.value.isArray)
    throw WmiError(kWbemErrFailed, "WMI: " + std::string(name) + " is not an array");
  if (index >= p.value.items.size())
    throw WmiError(kWbemErrFailed, "WMI: " + std::string(name) + " has no entry " + std::to_string(index));
  WmiProperty element = p;
  element.isArray = false;
  element.value = WmiValue::scalar(p.value.items[index]);
  return WmiValueText(element);
}

// The address test: IP-enabled with a first address that is not empty.
bool hasAddress(const WmiObject& o) {
  if (!isTrue(o, "IPEnabled")) return false;
  try {
    return !entryOf(o, "IPAddress", 0).empty();
  } catch (const std::exception&) {
    return false;
  }
}

// DNS servers, at most five, joined by ", ". An entry already collected ends the list; past the
// end of the list the last entry answers again, so the loop ends there.
std::string dnsServers(const WmiObject& o) {
  const WmiProperty& p = o.item("DNSServerSearchOrder");
  if (p.value.isNull || !p.value.isArray || p.value.items.empty())
    throw WmiError(kWbemErrFailed, "WMI: no DNS servers");
  std::vector<std::string> taken;
  for (std::size_t i = 0; i < kDnsEntriesAsked; ++i) {
    const std::string entry = entryOf(o, "DNSServerSearchOrder", std::min(i, p.value.items.size() - 1));
    bool repeated = false;
    for (const auto& t : taken) repeated = repeated || t == entry;
    if (repeated) break;
    taken.push_back(entry);
  }
  std::string text;
  for (const auto& t : taken) text += (text.empty() ? "" : ", ") + t;
  return text;
}

// Reads one adapter; raises when one of its required fields cannot be read.
Slot readAdapter(const WmiObject& o, std::string& address) {
  Slot s;
  s[kName] = textOf(o, "Description");
  s[kDhcp] = isTrue(o, "DHCPEnabled") ? "1" : "0";
  address = entryOf(o, "IPAddress", 0);
  s[kIp] = PadIpAddress(address);
  s[kSubnet] = entryOf(o, "IPSubnet", 0);
  try {
    s[kGateway] = entryOf(o, "DefaultIPGateway", 0);
  } catch (const std::exception&) {
  }
  try {
    s[kDns] = dnsServers(o);
  } catch (const std::exception&) {
  }
  s[kMac] = textOf(o, "MACAddress");
  try {
    s[kWins] = textOf(o, "WINSPrimaryServer");
    const std::string secondary = textOf(o, "WINSSecondaryServer");
    if (!secondary.empty()) s[kWins] += "," + secondary;
  } catch (const std::exception&) {
  }
  return s;
}

// The slot that goes to the second block: the one on 192.168.0., else the one on 192., else 1.
int preferredSlot(const std::array<std::string, 2>& addresses) {
  for (std::string_view prefix : {"192.168.0.", "192."}) {
    if (startsWith(addresses[1], prefix)) return 1;
    if (startsWith(addresses[0], prefix)) return 0;
  }
  return 1;
}

}  // namespace

std::vector<std::string> NetworkAdapters(CollectionContext& ctx) {
  WmiObjectSet set;
  try {
    if (!ctx.platform.wmi) return std::vector<std::string>(16);
    set = ctx.platform.wmi->connectServer(".", "root\\CIMV2")
              ->execQuery("Select * From Win32_NetworkAdapterConfiguration", kWbemFlagReturnImmediately);
  } catch (const std::exception&) {
    return std::vector<std::string>(16);
  }

  std::array<Slot, 2> slots;
  std::array<std::string, 2> addresses;
  std::size_t taken = 0;
  for (std::size_t i = 0; i < set.count() && taken < 2; ++i) {
    const WmiObject& o = set.objects[i];
    if (!hasAddress(o)) continue;
    try {
      std::string address;
      slots[taken] = readAdapter(o, address);
      addresses[taken] = address;
      ++taken;
    } catch (const std::exception& e) {
      // an adapter that cannot be described leaves its slot to the next one
      if (ctx.onStepFailure) ctx.onStepFailure("adapters", e.what());
    }
  }

  const int p = preferredSlot(addresses);
  std::vector<std::string> rows(slots[1 - p].begin(), slots[1 - p].end());
  rows.insert(rows.end(), slots[p].begin(), slots[p].end());
  if (slots[0][kMac] == slots[1][kMac]) rows[kFieldCount + kMac].clear();
  return rows;
}

}  // namespace mrv
