// WMI on Windows through COM: IWbemLocator::ConnectServer, IWbemServices::ExecQuery and
// CreateInstanceEnum (what SWbemServices.ExecQuery and InstancesOf call underneath), and each
// object's non-system properties in IWbemClassObject::Next order, which is the order
// SWbemObject.Properties_ enumerates. Values are converted from their VARIANTs as the scripting
// interface delivers them: sint64, uint64, datetime and reference arrive as BSTR text.
//
// Link with ole32, oleaut32 and wbemuuid.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/Wmi.h"

namespace mrv {

namespace {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }
  T** put() {
    reset();
    return &p_;
  }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(std::string_view utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    s_ = SysAllocStringLen(nullptr, static_cast<UINT>(n));
    if (s_ && n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), s_, n);
    if (!s_) throw WmiError(static_cast<std::uint32_t>(E_OUTOFMEMORY), "WMI: out of memory");
  }
  ~Bstr() { SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return s_; }

 private:
  BSTR s_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* operator&() { return &v_; }
  const VARIANT& get() const { return v_; }

 private:
  VARIANT v_;
};

std::string utf8(const wchar_t* w, UINT length) {
  if (!w || length == 0) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(length), s.data(), n, nullptr, nullptr);
  return s;
}

std::string utf8(BSTR b) { return utf8(b, b ? SysStringLen(b) : 0); }

void check(HRESULT hr, const char* what) {
  if (FAILED(hr)) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "WMI: %s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
    throw WmiError(static_cast<std::uint32_t>(hr), buf);
  }
}

// One element of the VARIANT type vt at p (the data of a scalar VARIANT or of a safe-array cell).
WmiScalar element(VARTYPE vt, const void* p, int cimType) {
  switch (vt) {
    case VT_BSTR:
      return utf8(*static_cast<const BSTR*>(p));
    case VT_BOOL:
      return *static_cast<const VARIANT_BOOL*>(p) != VARIANT_FALSE;
    case VT_I1:
      return static_cast<std::int64_t>(*static_cast<const signed char*>(p));
    case VT_UI1:
      return static_cast<std::int64_t>(*static_cast<const unsigned char*>(p));
    case VT_I2:
      // char16 and uint16 may come as VT_I2.
      return cimType == CIM_UINT16 || cimType == CIM_CHAR16
                 ? static_cast<std::int64_t>(*static_cast<const unsigned short*>(p))
                 : static_cast<std::int64_t>(*static_cast<const short*>(p));
    case VT_UI2:
      return static_cast<std::int64_t>(*static_cast<const unsigned short*>(p));
    case VT_I4:
    case VT_INT:
      // WMI hands uint32 over as VT_I4.
      return cimType == CIM_UINT32 ? static_cast<std::int64_t>(*static_cast<const unsigned long*>(p))
                                   : static_cast<std::int64_t>(*static_cast<const long*>(p));
    case VT_UI4:
    case VT_UINT:
      return static_cast<std::int64_t>(*static_cast<const unsigned long*>(p));
    case VT_I8:
      return static_cast<std::int64_t>(*static_cast<const LONGLONG*>(p));
    case VT_UI8:
      return std::to_string(*static_cast<const ULONGLONG*>(p));
    case VT_R4:
      return static_cast<double>(*static_cast<const float*>(p));
    case VT_R8:
      return *static_cast<const double*>(p);
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return std::string("<object>");
    default:
      return std::string();
  }
}

const void* scalarData(const VARIANT& v) {
  switch (v.vt) {
    case VT_BSTR: return &v.bstrVal;
    case VT_BOOL: return &v.boolVal;
    case VT_I1: return &v.cVal;
    case VT_UI1: return &v.bVal;
    case VT_I2: return &v.iVal;
    case VT_UI2: return &v.uiVal;
    case VT_I4: return &v.lVal;
    case VT_INT: return &v.intVal;
    case VT_UI4: return &v.ulVal;
    case VT_UINT: return &v.uintVal;
    case VT_I8: return &v.llVal;
    case VT_UI8: return &v.ullVal;
    case VT_R4: return &v.fltVal;
    case VT_R8: return &v.dblVal;
    case VT_UNKNOWN: return &v.punkVal;
    case VT_DISPATCH: return &v.pdispVal;
    default: return nullptr;
  }
}

WmiValue toValue(const VARIANT& v, int cimType) {
  if (v.vt == VT_NULL || v.vt == VT_EMPTY) return WmiValue::null();
  if (v.vt & VT_ARRAY) {
    SAFEARRAY* sa = (v.vt & VT_BYREF) ? (v.pparray ? *v.pparray : nullptr) : v.parray;
    const VARTYPE vt = static_cast<VARTYPE>(v.vt & VT_TYPEMASK);
    std::vector<WmiScalar> items;
    LONG lower = 0, upper = -1;
    if (sa && SafeArrayGetDim(sa) == 1 && SUCCEEDED(SafeArrayGetLBound(sa, 1, &lower)) &&
        SUCCEEDED(SafeArrayGetUBound(sa, 1, &upper))) {
      void* data = nullptr;
      if (upper >= lower && SUCCEEDED(SafeArrayAccessData(sa, &data))) {
        const UINT size = SafeArrayGetElemsize(sa);
        for (LONG i = 0; i <= upper - lower; ++i)
          items.push_back(element(vt, static_cast<const char*>(data) + static_cast<std::size_t>(i) * size, cimType));
        SafeArrayUnaccessData(sa);
      }
    }
    return WmiValue::array(std::move(items));
  }
  const void* p = scalarData(v);
  if (!p) return WmiValue::text(std::string());
  return WmiValue::scalar(element(v.vt, p, cimType));
}

bool hasKeyQualifier(IWbemClassObject* o, const wchar_t* name) {
  ComPtr<IWbemQualifierSet> qs;
  if (FAILED(o->GetPropertyQualifierSet(name, qs.put())) || !qs) return false;
  Variant v;
  return qs->Get(L"key", 0, &v, nullptr) == WBEM_S_NO_ERROR;
}

WmiObject toObject(IWbemClassObject* o) {
  WmiObject out;
  {
    Variant cls;
    if (SUCCEEDED(o->Get(L"__CLASS", 0, &cls, nullptr, nullptr)) && cls.get().vt == VT_BSTR)
      out.className = utf8(cls.get().bstrVal);
  }
  check(o->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY), "BeginEnumeration");
  for (;;) {
    BSTR name = nullptr;
    Variant value;
    CIMTYPE type = 0;
    const HRESULT hr = o->Next(0, &name, &value, &type, nullptr);
    if (hr == WBEM_S_NO_MORE_DATA) break;
    if (FAILED(hr)) {
      SysFreeString(name);
      o->EndEnumeration();
      check(hr, "IWbemClassObject::Next");
    }
    WmiProperty p;
    p.name = utf8(name);
    p.cimType = static_cast<int>(type & ~CIM_FLAG_ARRAY);
    p.isArray = (type & CIM_FLAG_ARRAY) != 0;
    p.isKey = hasKeyQualifier(o, name);
    p.value = toValue(value.get(), p.cimType);
    SysFreeString(name);
    out.properties.push_back(std::move(p));
  }
  o->EndEnumeration();
  return out;
}

WmiObjectSet drain(IEnumWbemClassObject* e) {
  WmiObjectSet set;
  for (;;) {
    ComPtr<IWbemClassObject> o;
    ULONG returned = 0;
    // With immediate return a bad query or class is reported here, by the first Next.
    check(e->Next(WBEM_INFINITE, 1, o.put(), &returned), "enumeration");
    if (returned == 0 || !o) break;
    set.objects.push_back(toObject(o.get()));
  }
  return set;
}

class Win32Connection : public WmiConnection {
 public:
  explicit Win32Connection(IWbemServices* services) : services_(services) {}
  ~Win32Connection() override {
    if (services_) services_->Release();
  }
  Win32Connection(const Win32Connection&) = delete;
  Win32Connection& operator=(const Win32Connection&) = delete;

  WmiObjectSet execQuery(std::string_view wql, int flags) override {
    ComPtr<IEnumWbemClassObject> e;
    check(services_->ExecQuery(Bstr("WQL"), Bstr(wql), flags, nullptr, e.put()), "ExecQuery");
    return drain(e.get());
  }
  WmiObjectSet instancesOf(std::string_view className, int flags) override {
    ComPtr<IEnumWbemClassObject> e;
    check(services_->CreateInstanceEnum(Bstr(className), flags, nullptr, e.put()), "InstancesOf");
    return drain(e.get());
  }

 private:
  IWbemServices* services_;
};

class Win32WmiService : public WmiService {
 public:
  Win32WmiService() {
    // The program's thread normally has COM already; balance only what is done here.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    initialized_ = hr == S_OK || hr == S_FALSE;
    // Fails harmlessly (RPC_E_TOO_LATE) when the process set its security already.
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                         EOAC_NONE, nullptr);
  }
  ~Win32WmiService() override {
    if (initialized_) CoUninitialize();
  }

  std::unique_ptr<WmiConnection> connectServer(std::string_view server, std::string_view nameSpace) override {
    ComPtr<IWbemLocator> locator;
    check(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                           reinterpret_cast<void**>(locator.put())),
          "creating the locator");
    std::string path = server.empty() ? std::string(nameSpace) : "\\\\" + std::string(server) + "\\" + std::string(nameSpace);
    IWbemServices* services = nullptr;
    check(locator->ConnectServer(Bstr(path), nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services), "ConnectServer");
    auto connection = std::make_unique<Win32Connection>(services);
    check(CoSetProxyBlanket(services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                            RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE),
          "CoSetProxyBlanket");
    return connection;
  }

 private:
  bool initialized_ = false;
};

}  // namespace

std::unique_ptr<WmiService> openNativeWmiService() { return std::make_unique<Win32WmiService>(); }

}  // namespace mrv
