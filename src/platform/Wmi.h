#pragma once
// Windows Management Instrumentation as the program reads it: a locator (WmiService) connects to a
// namespace and gives a connection; ExecQuery (WQL) and InstancesOf give an object set; each object
// has its properties in the order WMI enumerates them, each with Name, CIMType, IsArray and a value
// that is null, a scalar or an array.
//
// Values are carried the way the scripting interface carries them in a VARIANT: integers of up to
// 32 bits as numbers, 64-bit integers (sint64, uint64), datetimes and references as text. Every
// failure (no service, unknown namespace or class, bad query, missing property) is thrown as
// WmiError with the HRESULT WMI would give.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/Error.h"
#include "base/Text.h"
#include "platform/Sources.h"

namespace mrv {

// CIM types as WMI numbers them (WbemCimtypeEnum).
enum CimType : int {
  kCimSint16 = 2,
  kCimSint32 = 3,
  kCimReal32 = 4,
  kCimReal64 = 5,
  kCimString = 8,
  kCimBoolean = 11,
  kCimObject = 13,
  kCimSint8 = 16,
  kCimUint8 = 17,
  kCimUint16 = 18,
  kCimUint32 = 19,
  kCimSint64 = 20,
  kCimUint64 = 21,
  kCimDatetime = 101,
  kCimReference = 102,
  kCimChar16 = 103,
};

// HRESULTs of the failures the program's WMI users can meet.
enum WbemError : std::uint32_t {
  kWbemErrFailed = 0x80041001,
  kWbemErrNotFound = 0x80041002,
  kWbemErrInvalidNamespace = 0x8004100E,
  kWbemErrInvalidClass = 0x80041010,
  kWbemErrInvalidQuery = 0x80041017,
  kWbemErrInvalidQueryType = 0x80041018,
  kRpcServerUnavailable = 0x800706BA,
};

class WmiError : public MrvError {
 public:
  WmiError(std::uint32_t hresult, const std::string& what) : MrvError(what), hresult_(hresult) {}
  std::uint32_t hresult() const { return hresult_; }

 private:
  std::uint32_t hresult_;
};

// One element: a number, a real, a boolean or text (the text-carried types, and the placeholder of
// an embedded object).
using WmiScalar = std::variant<std::int64_t, double, bool, std::string>;

struct WmiValue {
  bool isNull = true;
  bool isArray = false;
  std::vector<WmiScalar> items;  // a scalar is items[0]; an array holds its elements (maybe none)

  static WmiValue null() { return {}; }
  static WmiValue scalar(WmiScalar v) { return WmiValue{false, false, {std::move(v)}}; }
  static WmiValue array(std::vector<WmiScalar> v) { return WmiValue{false, true, std::move(v)}; }
  static WmiValue text(std::string s) { return scalar(WmiScalar(std::move(s))); }
  static WmiValue integer(std::int64_t n) { return scalar(WmiScalar(n)); }
  static WmiValue boolean(bool b) { return scalar(WmiScalar(b)); }
};

struct WmiProperty {
  std::string name;
  int cimType = kCimString;
  bool isArray = false;
  bool isKey = false;  // the property carries the "key" qualifier
  WmiValue value;
};

struct WmiObject {
  std::string className;
  std::vector<WmiProperty> properties;  // enumeration order (Properties_)

  // Properties_.Item(name): WMI matches names without regard to case. Null when there is none.
  const WmiProperty* find(std::string_view name) const {
    for (const auto& p : properties)
      if (iequalsAscii(p.name, name)) return &p;
    return nullptr;
  }
  // The same, throwing WmiError(kWbemErrNotFound) when there is none.
  const WmiProperty& item(std::string_view name) const {
    if (const WmiProperty* p = find(name)) return *p;
    throw WmiError(kWbemErrNotFound, "WMI: property not found: " + std::string(name));
  }
};

struct WmiObjectSet {
  std::vector<WmiObject> objects;  // enumeration order
  std::size_t count() const { return objects.size(); }
};

// Query flags as the program passes them.
enum WbemFlag : int {
  kWbemFlagReturnImmediately = 16,
  kWbemQueryFlagShallow = 1,
};

// An open connection to one namespace (SWbemServices).
class WmiConnection {
 public:
  virtual ~WmiConnection() = default;
  // ExecQuery(query, "WQL", flags).
  virtual WmiObjectSet execQuery(std::string_view wql, int flags) = 0;
  // InstancesOf(className, flags).
  virtual WmiObjectSet instancesOf(std::string_view className, int flags) = 0;
};

// The locator (SWbemLocator).
class WmiService {
 public:
  virtual ~WmiService() = default;
  // ConnectServer(server, namespace) with the caller's own credentials. Server "" or "." is this
  // computer. Throws WmiError on failure.
  virtual std::unique_ptr<WmiConnection> connectServer(std::string_view server, std::string_view nameSpace) = 0;
};

// The WMI of the machine running the program: the system's WMI on Windows, the machine's own
// provider on Linux (linux/ or win32/).
std::unique_ptr<WmiService> openNativeWmiService();

}  // namespace mrv
