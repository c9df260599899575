// The printers of a Linux PC from its CUPS server, over IPP. Every question opens its own
// connection with a short connect timeout and a short I/O timeout, so a server that is not running
// or does not answer gives no printers instead of a hang.
#include <cups/cups.h>

#include <sys/socket.h>

#include "base/Error.h"
#include "platform/Printers.h"

namespace mrv {

namespace {

constexpr int kConnectMilliseconds = 1500;
constexpr double kAnswerSeconds = 2.0;

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
  Connection() {
    int cancel = 0;
    http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectMilliseconds,
                         &cancel);
    // with no callback a request that waits longer than this fails instead of waiting on
    if (http_) httpSetTimeout(http_, kAnswerSeconds, nullptr, nullptr);
  }
  ~Connection() {
    if (http_) httpClose(http_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  http_t* get() const { return http_; }

 private:
  http_t* http_ = nullptr;
};

std::string attributeText(ipp_attribute_t* a) {
  const char* s = ippGetString(a, 0, nullptr);
  return s ? s : "";
}

// CUPS-Get-Printers: the server's printers in its order (by name).
std::vector<CupsPrinter> askPrinters() {
  std::vector<CupsPrinter> printers;
  Connection c;
  if (!c.get()) return printers;
  static const char* const kWanted[] = {"printer-name", "printer-make-and-model", "device-uri",
                                        "print-color-mode-default"};
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(std::size(kWanted)), nullptr, kWanted);
  ipp_t* response = cupsDoRequest(c.get(), request, "/");
  if (!response) return printers;
  CupsPrinter current;
  auto flush = [&] {
    if (!current.name.empty()) printers.push_back(current);
    current = CupsPrinter{};
  };
  for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
    const char* name = ippGetName(a);
    if (!name || ippGetGroupTag(a) != IPP_TAG_PRINTER) {
      flush();
      continue;
    }
    const std::string n = name;
    if (n == "printer-name") current.name = attributeText(a);
    else if (n == "printer-make-and-model") current.makeAndModel = attributeText(a);
    else if (n == "device-uri") current.deviceUri = withoutUserInfo(attributeText(a));
    else if (n == "print-color-mode-default") current.colorModeDefault = attributeText(a);
  }
  flush();
  ippDelete(response);
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
    const char* name = cupsGetDefault2(c.get());
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
