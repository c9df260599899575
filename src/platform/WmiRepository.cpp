#include "platform/WmiRepository.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "base/Text.h"

namespace mrv {

int WmiClass::indexOf(std::string_view property) const {
  for (std::size_t i = 0; i < properties.size(); ++i)
    if (iequalsAscii(properties[i].name, property)) return static_cast<int>(i);
  return -1;
}

void WmiClass::addInstance(const std::vector<std::pair<std::string, WmiValue>>& values) {
  std::vector<WmiValue> row(properties.size());
  for (const auto& [name, value] : values) {
    const int i = indexOf(name);
    if (i >= 0) row[static_cast<std::size_t>(i)] = value;
  }
  instances.push_back(std::move(row));
}

WmiObject WmiClass::object(std::size_t instance) const {
  WmiObject o;
  o.className = name;
  const auto& row = instances[instance];
  for (std::size_t i = 0; i < properties.size(); ++i) {
    const auto& d = properties[i];
    o.properties.push_back({d.name, d.cimType, d.isArray, d.isKey, i < row.size() ? row[i] : WmiValue{}});
  }
  return o;
}

void sortWmiProperties(std::vector<WmiPropertyDef>& properties) {
  std::stable_sort(properties.begin(), properties.end(), [](const WmiPropertyDef& a, const WmiPropertyDef& b) {
    return toLowerAscii(a.name) < toLowerAscii(b.name);
  });
}

namespace {

[[noreturn]] void badQuery(std::string_view wql, const std::string& why) {
  throw WmiError(kWbemErrInvalidQuery, "WMI: invalid query (" + why + "): " + std::string(wql));
}

enum class Tok { Ident, Star, Comma, Equals, String, Number, Other, End };

struct Token {
  Tok kind = Tok::End;
  std::string text;
};

bool identStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool identChar(char c) { return identStart(c) || (c >= '0' && c <= '9'); }

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (identStart(c)) {
      std::size_t j = i;
      while (j < s.size() && identChar(s[j])) ++j;
      out.push_back({Tok::Ident, std::string(s.substr(i, j - i))});
      i = j;
    } else if (c == '*' || c == ',' || c == '=') {
      out.push_back({c == '*' ? Tok::Star : c == ',' ? Tok::Comma : Tok::Equals, std::string(1, c)});
      ++i;
    } else if (c == '"' || c == '\'') {
      std::string text;
      std::size_t j = i + 1;
      bool closed = false;
      while (j < s.size()) {
        if (s[j] == '\\' && j + 1 < s.size()) {
          text += s[j + 1];
          j += 2;
        } else if (s[j] == c) {
          closed = true;
          ++j;
          break;
        } else {
          text += s[j++];
        }
      }
      if (!closed) badQuery(s, "unterminated string");
      out.push_back({Tok::String, std::move(text)});
      i = j;
    } else if ((c >= '0' && c <= '9') || c == '-') {
      std::size_t j = i + 1;
      while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
      out.push_back({Tok::Number, std::string(s.substr(i, j - i))});
      i = j;
    } else {
      out.push_back({Tok::Other, std::string(1, c)});
      ++i;
    }
  }
  out.push_back({Tok::End, {}});
  return out;
}

bool isKeyword(const Token& t, std::string_view word) { return t.kind == Tok::Ident && iequalsAscii(t.text, word); }

// WMI compares a string literal with a property without regard to case, and converts between
// numbers and their texts.
bool scalarMatches(const WmiScalar& value, const WmiScalar& literal) {
  auto asInt = [](const WmiScalar& v, std::int64_t& out) -> bool {
    if (auto p = std::get_if<std::int64_t>(&v)) return out = *p, true;
    if (auto p = std::get_if<bool>(&v)) return out = *p ? 1 : 0, true;
    if (auto p = std::get_if<std::string>(&v)) {
      auto r = std::from_chars(p->data(), p->data() + p->size(), out);
      return r.ec == std::errc() && r.ptr == p->data() + p->size() && !p->empty();
    }
    if (auto p = std::get_if<double>(&v)) return out = static_cast<std::int64_t>(*p), static_cast<double>(out) == *p;
    return false;
  };
  if (auto ls = std::get_if<std::string>(&literal)) {
    if (auto vs = std::get_if<std::string>(&value)) return iequalsAscii(*vs, *ls);
    if (auto vb = std::get_if<bool>(&value)) return iequalsAscii(*ls, *vb ? "TRUE" : "FALSE");
  }
  if (auto lb = std::get_if<bool>(&literal)) {
    if (auto vb = std::get_if<bool>(&value)) return *vb == *lb;
    return false;
  }
  std::int64_t a = 0, b = 0;
  return asInt(value, a) && asInt(literal, b) && a == b;
}

bool validClassName(std::string_view name) {
  if (name.empty() || !identStart(name[0])) return false;
  return std::all_of(name.begin(), name.end(), identChar);
}

WmiClass loadOrThrow(WmiClassProvider& provider, std::string_view className) {
  WmiClass cls;
  if (!validClassName(className) || !provider.loadClass(className, cls))
    throw WmiError(kWbemErrInvalidClass, "WMI: invalid class: " + std::string(className));
  return cls;
}

class ProviderConnection : public WmiConnection {
 public:
  explicit ProviderConnection(std::shared_ptr<WmiClassProvider> p) : provider_(std::move(p)) {}
  WmiObjectSet execQuery(std::string_view wql, int) override { return wmiExecQuery(*provider_, wql); }
  WmiObjectSet instancesOf(std::string_view className, int) override { return wmiInstancesOf(*provider_, className); }

 private:
  std::shared_ptr<WmiClassProvider> provider_;
};

}  // namespace

WqlQuery parseWql(std::string_view wql) {
  const std::vector<Token> t = tokenize(wql);
  std::size_t i = 0;
  WqlQuery q;
  if (!isKeyword(t[i++], "SELECT")) badQuery(wql, "SELECT expected");
  if (t[i].kind == Tok::Star) {
    ++i;
  } else {
    q.allProperties = false;
    for (;;) {
      if (t[i].kind != Tok::Ident || isKeyword(t[i], "FROM")) badQuery(wql, "property name expected");
      q.properties.push_back(t[i++].text);
      if (t[i].kind != Tok::Comma) break;
      ++i;
    }
  }
  if (!isKeyword(t[i++], "FROM")) badQuery(wql, "FROM expected");
  if (t[i].kind != Tok::Ident) badQuery(wql, "class name expected");
  q.className = t[i++].text;
  if (isKeyword(t[i], "WHERE")) {
    ++i;
    if (t[i].kind != Tok::Ident) badQuery(wql, "property name expected after WHERE");
    q.hasWhere = true;
    q.whereProperty = t[i++].text;
    if (t[i++].kind != Tok::Equals) badQuery(wql, "only = is understood");
    const Token& lit = t[i++];
    if (lit.kind == Tok::String) {
      q.whereLiteral = lit.text;
    } else if (lit.kind == Tok::Number) {
      std::int64_t n = 0;
      auto r = std::from_chars(lit.text.data(), lit.text.data() + lit.text.size(), n);
      if (r.ec != std::errc() || r.ptr != lit.text.data() + lit.text.size()) badQuery(wql, "bad number");
      q.whereLiteral = n;
    } else if (isKeyword(lit, "TRUE") || isKeyword(lit, "FALSE")) {
      q.whereLiteral = isKeyword(lit, "TRUE");
    } else {
      badQuery(wql, "literal expected");
    }
  }
  if (t[i].kind != Tok::End) badQuery(wql, "unexpected '" + t[i].text + "'");
  return q;
}

WmiObjectSet wmiExecQuery(WmiClassProvider& provider, std::string_view wql) {
  const WqlQuery q = parseWql(wql);
  const WmiClass cls = loadOrThrow(provider, q.className);

  std::vector<bool> keep(cls.properties.size(), q.allProperties);
  for (const auto& p : q.properties) {
    const int i = cls.indexOf(p);
    if (i < 0) badQuery(wql, "no property " + p);
    keep[static_cast<std::size_t>(i)] = true;
  }
  for (std::size_t i = 0; i < cls.properties.size(); ++i)
    if (cls.properties[i].isKey) keep[i] = true;

  int where = -1;
  if (q.hasWhere) {
    where = cls.indexOf(q.whereProperty);
    if (where < 0) badQuery(wql, "no property " + q.whereProperty);
    if (cls.properties[static_cast<std::size_t>(where)].isArray) badQuery(wql, "an array cannot be compared");
  }

  WmiObjectSet set;
  for (std::size_t k = 0; k < cls.instances.size(); ++k) {
    if (where >= 0) {
      const auto& row = cls.instances[k];
      const auto w = static_cast<std::size_t>(where);
      if (w >= row.size() || row[w].isNull || row[w].items.empty()) continue;
      if (!scalarMatches(row[w].items[0], q.whereLiteral)) continue;
    }
    WmiObject full = cls.object(k);
    WmiObject o;
    o.className = cls.name;
    for (std::size_t i = 0; i < full.properties.size(); ++i)
      if (keep[i]) o.properties.push_back(std::move(full.properties[i]));
    set.objects.push_back(std::move(o));
  }
  return set;
}

WmiObjectSet wmiInstancesOf(WmiClassProvider& provider, std::string_view className) {
  const WmiClass cls = loadOrThrow(provider, className);
  WmiObjectSet set;
  for (std::size_t k = 0; k < cls.instances.size(); ++k) set.objects.push_back(cls.object(k));
  return set;
}

std::unique_ptr<WmiConnection> WmiProviderService::connectServer(std::string_view server, std::string_view nameSpace) {
  if (!(server.empty() || server == "." || iequalsAscii(server, "localhost")))
    throw WmiError(kRpcServerUnavailable, "WMI: the RPC server is unavailable: " + std::string(server));
  if (!iequalsAscii(nameSpace, "root\\cimv2"))
    throw WmiError(kWbemErrInvalidNamespace, "WMI: invalid namespace: " + std::string(nameSpace));
  return std::make_unique<ProviderConnection>(provider_);
}

}  // namespace mrv
