// The printers of a Linux PC from its CUPS server, over IPP. Every question opens its own
// connection with a short connect timeout and a short I/O timeout, so a server that is not running
// or does not answer gives no printers instead of a hang. The CUPS library is loaded on the first
// question, not when the program starts: most runs ask nothing of the printers before they exec the
// window program or end, and the library brings some twenty others with it. Without the library
// there are no printers, as with a server that is not running.
#include <cups/cups.h>  // types and constants; the functions are looked up in the library

#include <sys/socket.h>

#include "base/Error.h"
#include "platform/LibraryFunctions.h"
#include "platform/Printers.h"

namespace mrv {

namespace {

constexpr int kConnectMilliseconds = 1500;
constexpr double kAnswerSeconds = 2.0;

// The functions this service calls, from libcups.so.2 (the library's version 2 interface).
struct CupsLibrary {
  decltype(&::httpConnect2) httpConnect2 = nullptr;
  decltype(&::cupsServer) cupsServer = nullptr;
  decltype(&::ippPort) ippPort = nullptr;
  decltype(&::cupsEncryption) cupsEncryption = nullptr;
  decltype(&::httpSetTimeout) httpSetTimeout = nullptr;
  decltype(&::httpClose) httpClose = nullptr;
  decltype(&::ippGetString) ippGetString = nullptr;
  decltype(&::ippNewRequest) ippNewRequest = nullptr;
  decltype(&::ippAddStrings) ippAddStrings = nullptr;
  decltype(&::cupsDoRequest) cupsDoRequest = nullptr;
  decltype(&::ippFirstAttribute) ippFirstAttribute = nullptr;
  decltype(&::ippNextAttribute) ippNextAttribute = nullptr;
  decltype(&::ippGetName) ippGetName = nullptr;
  decltype(&::ippGetGroupTag) ippGetGroupTag = nullptr;
  decltype(&::ippDelete) ippDelete = nullptr;
  decltype(&::cupsGetDefault2) cupsGetDefault2 = nullptr;
};

// Null when the library or one of its functions is missing. Loaded once, kept for the process.
const CupsLibrary* cups() {
  static const CupsLibrary* const library = LoadLibraryFunctions<CupsLibrary>("libcups.so.2", [](void* h,
                                                                                                 CupsLibrary& c) {
    return LookUpFunction(h, "httpConnect2", c.httpConnect2) && LookUpFunction(h, "cupsServer", c.cupsServer) &&
           LookUpFunction(h, "ippPort", c.ippPort) && LookUpFunction(h, "cupsEncryption", c.cupsEncryption) &&
           LookUpFunction(h, "httpSetTimeout", c.httpSetTimeout) && LookUpFunction(h, "httpClose", c.httpClose) &&
           LookUpFunction(h, "ippGetString", c.ippGetString) && LookUpFunction(h, "ippNewRequest", c.ippNewRequest) &&
           LookUpFunction(h, "ippAddStrings", c.ippAddStrings) && LookUpFunction(h, "cupsDoRequest", c.cupsDoRequest) &&
           LookUpFunction(h, "ippFirstAttribute", c.ippFirstAttribute) &&
           LookUpFunction(h, "ippNextAttribute", c.ippNextAttribute) && LookUpFunction(h, "ippGetName", c.ippGetName) &&
           LookUpFunction(h, "ippGetGroupTag", c.ippGetGroupTag) && LookUpFunction(h, "ippDelete", c.ippDelete) &&
           LookUpFunction(h, "cupsGetDefault2", c.cupsGetDefault2);
  });
  return library;
}

struct CupsPrinter {
  std::string name, makeAndModel, deviceUri, colorModeDefault;
};

// A device URI without its user information, which may hold a password.
std::string withoutUserInfo(const std::string& uri) {
  const auto scheme = uri.find("://");
  if (scheme == std::string::npos) return uri;
  const auto hostStart = scheme + 3;
  const auto at = uri.find('@', hostStart);
  const auto slash = uri.find('/', hostStart);
  if (at == std::string::npos || (slash != std::string::npos && at > slash)) return uri;
  return uri.substr(0, hostStart) + uri.substr(at + 1);
}

class Connection {
 public:
  Connection() : api_(cups()) {
    if (!api_) return;
    int cancel = 0;
    http_ = api_->httpConnect2(api_->cupsServer(), api_->ippPort(), nullptr, AF_UNSPEC, api_->cupsEncryption(), 1,
                               kConnectMilliseconds, &cancel);
    // with no callback a request that waits longer than this fails instead of waiting on
    if (http_) api_->httpSetTimeout(http_, kAnswerSeconds, nullptr, nullptr);
  }
  ~Connection() {
    if (http_) api_->httpClose(http_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  http_t* get() const { return http_; }
  // the library's functions; only when get() is not null
  const CupsLibrary& api() const { return *api_; }

 private:
  const CupsLibrary* api_;
  http_t* http_ = nullptr;
};

std::string attributeText(const CupsLibrary& api, ipp_attribute_t* a) {
  const char* s = api.ippGetString(a, 0, nullptr);
  return s ? s : "";
}

// CUPS-Get-Printers: the server's printers in its order (by name).
std::vector<CupsPrinter> askPrinters() {
  std::vector<CupsPrinter> printers;
  Connection c;
  if (!c.get()) return printers;
  const CupsLibrary& api = c.api();
  static const char* const kWanted[] = {"printer-name", "printer-make-and-model", "device-uri",
                                        "print-color-mode-default"};
  ipp_t* request = api.ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
  api.ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                    static_cast<int>(std::size(kWanted)), nullptr, kWanted);
  ipp_t* response = api.cupsDoRequest(c.get(), request, "/");
  if (!response) return printers;
  CupsPrinter current;
  auto flush = [&] {
    if (!current.name.empty()) printers.push_back(current);
    current = CupsPrinter{};
  };
  for (ipp_attribute_t* a = api.ippFirstAttribute(response); a; a = api.ippNextAttribute(response)) {
    const char* name = api.ippGetName(a);
    if (!name || api.ippGetGroupTag(a) != IPP_TAG_PRINTER) {
      flush();
      continue;
    }
    const std::string n = name;
    if (n == "printer-name") current.name = attributeText(api, a);
    else if (n == "printer-make-and-model") current.makeAndModel = attributeText(api, a);
    else if (n == "device-uri") current.deviceUri = withoutUserInfo(attributeText(api, a));
    else if (n == "print-color-mode-default") current.colorModeDefault = attributeText(api, a);
  }
  flush();
  api.ippDelete(response);
  return printers;
}

bool findPrinter(std::string_view name, CupsPrinter& out) {
  for (auto& p : askPrinters())
    if (p.name == name) {
      out = std::move(p);
      return true;
    }
  return false;
}

class CupsPrinters : public PrinterService {
 public:
  std::vector<std::string> printerNames() override {
    std::vector<std::string> names;
    for (const auto& p : askPrinters()) names.push_back(p.name);
    return names;
  }

  std::string defaultPrinter() override {
    Connection c;
    if (!c.get()) return {};
    const char* name = c.api().cupsGetDefault2(c.get());
    return name ? name : "";
  }

  bool driverAndPort(std::string_view printer, std::string& driver, std::string& port) override {
    CupsPrinter p;
    if (!findPrinter(printer, p)) return false;
    driver = p.makeAndModel;
    port = p.deviceUri;
    return true;
  }

  int colorMode(std::string_view printer) override {
    CupsPrinter p;
    if (!findPrinter(printer, p)) throw MrvError("CUPS: no printer named " + std::string(printer));
    const std::string& mode = p.colorModeDefault;
    if (mode.empty()) throw MrvError("CUPS: " + p.name + " has no colour mode");
    if (mode == "color") return kPrinterColorColor;
    if (mode == "monochrome" || mode == "process-monochrome" || mode == "bi-level" || mode == "auto-monochrome")
      return kPrinterColorMonochrome;
    return kPrinterColorUnknown;
  }
};

}  // namespace

std::unique_ptr<PrinterService> openNativePrinterService() { return std::make_unique<CupsPrinters>(); }

}  // namespace mrv
