// The printers of a Windows PC from the spooler.
#include <windows.h>
#include <winspool.h>

#include <vector>

#include "base/Error.h"
#include "platform/Printers.h"

namespace mrv {

namespace {

std::wstring wide(std::string_view s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string utf8(const wchar_t* w) {
  if (!w || !*w) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  s.resize(static_cast<std::size_t>(n - 1));
  return s;
}

class PrinterHandle {
 public:
  explicit PrinterHandle(const std::wstring& name) {
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &h_, nullptr)) h_ = nullptr;
  }
  ~PrinterHandle() {
    if (h_) ClosePrinter(h_);
  }
  PrinterHandle(const PrinterHandle&) = delete;
  PrinterHandle& operator=(const PrinterHandle&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_ = nullptr;
};

class SpoolerPrinters : public PrinterService {
 public:
  std::vector<std::string> printerNames() override {
    std::vector<std::string> names;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
    if (needed == 0) return names;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) return names;
    const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.push_back(utf8(info[i].pPrinterName));
    return names;
  }

  std::string defaultPrinter() override {
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    if (size == 0) return {};
    std::vector<wchar_t> name(size);
    if (!GetDefaultPrinterW(name.data(), &size)) return {};
    return utf8(name.data());
  }

  bool driverAndPort(std::string_view printer, std::string& driver, std::string& port) override {
    PrinterHandle h(wide(printer));
    if (!h.get()) return false;
    DWORD needed = 0;
    GetPrinterW(h.get(), 2, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterW(h.get(), 2, buffer.data(), needed, &needed)) return false;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    driver = utf8(info->pDriverName);
    port = utf8(info->pPortName);
    return true;
  }

  int colorMode(std::string_view printer) override {
    std::wstring name = wide(printer);
    PrinterHandle h(name);
    if (!h.get()) throw MrvError("printer cannot be opened: " + std::string(printer));
    const LONG size = DocumentPropertiesW(nullptr, h.get(), name.data(), nullptr, nullptr, 0);
    if (size <= 0) throw MrvError("printer has no device mode: " + std::string(printer));
    std::vector<BYTE> buffer(static_cast<std::size_t>(size));
    auto* mode = reinterpret_cast<DEVMODEW*>(buffer.data());
    if (DocumentPropertiesW(nullptr, h.get(), name.data(), mode, nullptr, DM_OUT_BUFFER) != IDOK)
      throw MrvError("printer device mode cannot be read: " + std::string(printer));
    return mode->dmColor;  // as it stands, whatever dmFields says of it
  }
};

}  // namespace

std::unique_ptr<PrinterService> openNativePrinterService() { return std::make_unique<SpoolerPrinters>(); }

}  // namespace mrv
