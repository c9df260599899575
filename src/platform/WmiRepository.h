#pragma once
// A WMI service over classes held in memory: the machine's own provider on Linux and the recorded
// instances files both hand their classes to it, and it answers the WQL the program asks:
//
//   SELECT * FROM class [WHERE property = literal]
//   SELECT prop1, prop2 FROM class [WHERE property = literal]
//
// Keywords, class and property names match without regard to case; a literal is a string in double
// or single quotes (a backslash takes the next character literally, so "\\\\.\\PHYSICALDRIVE0" names
// \\.\PHYSICALDRIVE0), a decimal integer, TRUE or FALSE. Strings compare without regard to case, as
// WQL does. A partial query gives the selected properties plus the class's key properties, in the
// class's enumeration order. Failures are WMI's: an unknown class is kWbemErrInvalidClass, anything
// else this grammar does not take (an unknown property, another operator, trailing words) is
// kWbemErrInvalidQuery, and a namespace other than root\CIMV2 is kWbemErrInvalidNamespace.
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Wmi.h"

namespace mrv {

struct WmiPropertyDef {
  std::string name;
  int cimType = kCimString;
  bool isArray = false;
  bool isKey = false;
};

struct WmiClass {
  std::string name;
  std::vector<WmiPropertyDef> properties;        // enumeration order
  std::vector<std::vector<WmiValue>> instances;  // one value per property, in the same order

  // Index of a property (names match without regard to case), or -1.
  int indexOf(std::string_view property) const;
  // Adds an instance from (name, value) pairs; properties not named are null, unknown names are
  // ignored.
  void addInstance(const std::vector<std::pair<std::string, WmiValue>>& values);
  // The instances as WMI objects with every property.
  WmiObject object(std::size_t instance) const;
};

// Sorts property definitions the way WMI enumerates a class's properties: alphabetically, without
// regard to case.
void sortWmiProperties(std::vector<WmiPropertyDef>& properties);

struct WqlQuery {
  std::string className;
  bool allProperties = true;
  std::vector<std::string> properties;  // when not allProperties
  bool hasWhere = false;
  std::string whereProperty;
  WmiScalar whereLiteral;
};

// Parses the WQL subset above; throws WmiError(kWbemErrInvalidQuery).
WqlQuery parseWql(std::string_view wql);

// Where the classes come from.
class WmiClassProvider {
 public:
  virtual ~WmiClassProvider() = default;
  // Fills the class (definition and every instance); false when there is no such class.
  virtual bool loadClass(std::string_view name, WmiClass& out) = 0;
  // The classes this provider knows, for recording.
  virtual std::vector<std::string> classNames() = 0;
};

// ExecQuery and InstancesOf against a provider.
WmiObjectSet wmiExecQuery(WmiClassProvider& provider, std::string_view wql);
WmiObjectSet wmiInstancesOf(WmiClassProvider& provider, std::string_view className);

// A locator whose only namespace is root\CIMV2 on this computer, answered by the provider.
class WmiProviderService : public WmiService {
 public:
  explicit WmiProviderService(std::shared_ptr<WmiClassProvider> provider) : provider_(std::move(provider)) {}
  std::unique_ptr<WmiConnection> connectServer(std::string_view server, std::string_view nameSpace) override;
  WmiClassProvider& provider() { return *provider_; }

 private:
  std::shared_ptr<WmiClassProvider> provider_;
};

}  // namespace mrv
