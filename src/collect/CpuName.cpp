#include "collect/CpuName.h"

#include <limits>
#include <span>
#include <string_view>

#include "collect/CpuidQuery.h"

// The rule tables name only the facts a rule looks at and leave the rest to their defaults; GCC 12
// still warns about that in designated initializers.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace mrv {
namespace {

// Everything a naming rule may look at.
struct CpuFacts {
  CpuSignature sig;
  std::uint32_t l2 = 0;
  std::uint32_t l3 = 0;
  std::uint32_t logicalProcessors = 0;  // Intel
  std::uint32_t mobile = 0;             // AMD: AmdMobileFlag
  std::uint32_t mp = 0;                 // AMD: leaf 0x80000001 EDX bit 19
  std::uint32_t longMode = 0;           // AMD: leaf 0x80000001 EDX bit 29
  std::uint32_t amdBrand = 0;           // AMD: leaf 0x80000001 EBX bits 0..11
  std::uint32_t transmetaLeaf = 0;      // Transmeta: leaf 0x80860001 is available
  std::uint32_t transmetaCode = 0;      // its EBX bits 16..31
  std::uint32_t transmetaRevision = 0;  // its EBX bits 8..15
};

constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();

struct Span {
  std::uint32_t lo = 0;
  std::uint32_t hi = kMax;
  constexpr bool has(std::uint32_t v) const { return v >= lo && v <= hi; }
};
constexpr Span is(std::uint32_t v) { return {v, v}; }
constexpr Span from(std::uint32_t lo, std::uint32_t hi = kMax) { return {lo, hi}; }
constexpr Span below(std::uint32_t v) { return {0, v - 1}; }
constexpr Span yes = {1, 1};

// One naming rule: every span must hold its fact. The first fitting rule of a section gives the
// name; an empty name is a rule that deliberately names nothing.
struct NameRule {
  Span family, model, stepping, type, typeNibble, extendedFamily, brand, l2, l3, logical;
  Span mobile, mp, longMode, transmetaLeaf, transmetaCode, transmetaRevision;
  const char* name = "";
  std::string (*build)(const CpuFacts&) = nullptr;  // a name made from numbers

  bool fits(const CpuFacts& f) const {
    return family.has(f.sig.family) && model.has(f.sig.model) && stepping.has(f.sig.stepping) &&
           type.has(f.sig.type) && typeNibble.has(f.sig.typeNibble) &&
           extendedFamily.has(f.sig.extendedFamily) && brand.has(f.sig.brandIndex) &&
           l2.has(f.l2) && l3.has(f.l3) && logical.has(f.logicalProcessors) &&
           mobile.has(f.mobile) && mp.has(f.mp) && longMode.has(f.longMode) &&
           transmetaLeaf.has(f.transmetaLeaf) && transmetaCode.has(f.transmetaCode) &&
           transmetaRevision.has(f.transmetaRevision);
  }
};

// ---- AMD family 15 with long mode: brand and core from leaf 0x80000001 EBX ---------------------

struct HammerBrand {
  std::uint32_t code;  // brand id bits 8..11 (leaf 1 EBX bits 5..7 for the code-0 table)
  const char* prefix;
  std::uint32_t times, plus;  // the number is times * n + plus
  const char* suffix;
};
constexpr HammerBrand kHammerBrands[] = {
    {1, "Athlon 64 ", 1, 22, "00+"},   {2, "Mobile Athlon 64 ", 1, 22, "00+"},
    {3, "Opteron UP 1", 2, 38, ""},    {4, "Opteron DP 2", 2, 38, ""},
    {5, "Opteron MP 8", 2, 38, ""},    {9, "Athlon 64 FX-", 1, 24, ""},
};
// Brand id code 0: the brand comes from leaf 1 EBX bits 0..7 instead.
constexpr HammerBrand kHammerLeaf1Brands[] = {
    {3, "Opteron UP 1", 2, 38, ""}, {4, "Opteron DP 2", 2, 38, ""}, {5, "Opteron MP 8", 2, 38, ""}};

struct HammerCore {
  Span model;
  const char* name;
};
constexpr HammerCore kHammerCores[] = {
    {below(5), "(ClawHammer)"}, {is(5), "(SledgeHammer)"}, {from(6), "(Unknown)"}};

std::string brandText(const HammerBrand& b, std::uint32_t n) {
  return b.prefix + std::to_string(b.times * n + b.plus) + b.suffix;
}

std::string hammerName(const CpuFacts& f) {
  const std::uint32_t code = (f.amdBrand >> 8) & 0xF;
  const std::uint32_t n = f.amdBrand & 0xFF;
  std::string name = "Hammer";
  if (code == 0) {
    const std::uint32_t b8 = f.sig.brandIndex;
    name = "Hammer Engineering Sample";
    for (const HammerBrand& b : kHammerLeaf1Brands)
      if (b.code == ((b8 >> 5) & 0x7)) name = brandText(b, b8 & 0x1F);
  } else {
    for (const HammerBrand& b : kHammerBrands)
      if (b.code == code) name = brandText(b, n);
  }
  for (const HammerCore& c : kHammerCores)
    if (c.model.has(f.sig.model)) return name + c.name;
  return name;
}

// ---- the vendor sections ----------------------------------------------------------------------

constexpr NameRule kIntel[] = {
    {.family = is(3), .model = is(0), .typeNibble = is(0), .name = "Intel386DX"},
    {.family = is(3), .model = is(0), .typeNibble = is(2), .name = "Intel386SX/CX/EX"},
    {.family = is(3), .model = from(0, 1), .typeNibble = is(4), .name = "Intel386SL"},
    {.family = is(3), .model = is(4), .typeNibble = is(0), .name = "RapidCAD coprocessor"},

    {.family = is(4), .model = from(0, 1), .name = "Intel486DX"},
    {.family = is(4), .model = is(2), .name = "Intel486SX"},
    {.family = is(4), .model = is(3), .name = "Intel486DX2"},
    {.family = is(4), .model = is(4), .name = "Intel486SL"},
    {.family = is(4), .model = is(5), .name = "IntelSX2"},
    {.family = is(4), .model = is(7), .name = "LightbackEnhanced IntelDX2"},
    {.family = is(4), .model = is(8), .name = "IntelDX4"},
    {.family = is(4), .model = is(9), .name = "486DX4 (WB)"},
    {.family = is(4), .name = "486 Family CPU(Unknown)"},

    {.family = is(5), .model = is(0), .name = "Pentium"},
    {.family = is(5), .model = from(1, 2), .type = is(1), .name = "Pentium OverDrive"},
    {.family = is(5), .model = from(1, 2), .name = "Pentium"},
    {.family = is(5), .model = is(3), .name = "Pentium"},
    {.family = is(5), .model = is(4), .type = is(1), .name = "Pentium MMX OverDrive"},
    {.family = is(5), .model = is(4), .name = "Pentium with MMX(P55C)"},
    {.family = is(5), .model = is(5), .name = "Pentium(DX4 OverDrive)"},
    {.family = is(5), .model = is(6), .name = "Pentium(P5 OverDrive)"},
    {.family = is(5), .model = is(7), .name = "Mobile Pentium(P54C)"},
    {.family = is(5), .model = is(8), .name = "Mobile Pentium MMX(low voltage P55)"},
    {.family = is(5), .name = "Pentium Family CPU(Unknown)"},

    {.family = is(6), .model = is(0), .name = "Pentium Pro(A-step sample)"},
    {.family = is(6), .model = is(1), .name = "Pentium Pro"},
    {.family = is(6), .model = is(3), .type = is(1), .name = "Pentium MMX OverDrive"},
    {.family = is(6), .model = is(3), .name = "Pentium II(Klamath)"},
    {.family = is(6), .model = is(4), .name = "OverDrive"},
    {.family = is(6), .model = is(5), .l2 = is(0), .name = "Celeron(Convington)"},
    {.family = is(6), .model = is(5), .type = is(1), .l2 = is(512), .name = "Pentium II OverDrive"},
    {.family = is(6), .model = is(5), .l2 = is(512), .name = "Pentium II(Deschutes)"},
    {.family = is(6), .model = is(5), .l2 = from(1, 511), .name = "Celeron(Convinton)"},
    {.family = is(6), .model = is(5), .l2 = from(513), .name = "Pentium II Xeon(Deschutes)"},
    {.family = is(6), .model = is(6), .stepping = is(10), .l2 = is(256), .name = "Mobile Pentium II(Dixon)"},
    {.family = is(6), .model = is(6), .stepping = is(13), .l2 = is(256), .name = "Mobile Pentium II(Dixon)"},
    {.family = is(6), .model = is(6), .stepping = is(10), .l2 = is(128), .name = "Mobile Celeron(Dixon-128K)"},
    {.family = is(6), .model = is(6), .stepping = is(13), .l2 = is(128), .name = "Mobile Celeron(Dixon-128K)"},
    {.family = is(6), .model = is(6), .name = "Celeron(Mendocino)"},
    {.family = is(6), .model = is(7), .brand = is(3), .name = "Pentium III Xeon(Tanner)"},
    {.family = is(6), .model = is(7), .name = "Pentium III(Katmai)"},
    {.family = is(6), .model = is(8), .brand = is(3), .name = "Pentium III Xeon(Cascades)"},
    {.family = is(6), .model = is(8), .l2 = is(256), .name = "Pentium III(Coppermine)"},
    {.family = is(6), .model = is(8), .name = "Celeron(Coppermine-128K)"},
    {.family = is(6), .model = is(9), .l2 = is(1024), .name = "Mobile Pentium M(Banias)"},
    {.family = is(6), .model = is(9), .l2 = is(512), .name = "Mobile Celeron(Banias)"},
    {.family = is(6), .model = is(9), .name = ""},
    {.family = is(6), .model = is(10), .name = "Pentium III Xeon(Cascades)"},
    {.family = is(6), .model = is(11), .brand = is(6), .name = "Mobile Pentium III-M(Tualatin)"},
    {.family = is(6), .model = is(11), .brand = is(7), .name = "Mobile Celeron(Tualatin)"},
    {.family = is(6), .model = is(11), .l2 = is(512), .name = "Pentium III-S(Tualatin)"},
    {.family = is(6), .model = is(11), .brand = is(4), .name = "Pentium III(Tualatin)"},
    {.family = is(6), .model = is(11), .name = "Celeron(Tualatin)"},
    {.family = is(6), .model = is(12), .name = "Mobile Pentium M(Dothan)"},
    {.family = is(6), .model = is(2), .name = "P6 Family CPU(Unknown)"},
    {.family = is(6), .model = from(13, 15), .name = "P6 Family CPU(Unknown)"},

    {.family = is(7), .name = "Itanium(Merced)"},

    {.family = is(15), .extendedFamily = is(1), .name = "Itanium 2(McKinley)"},
    {.family = is(15), .model = from(0, 1), .brand = is(12), .name = "Xeon MP(Foster MP)"},
    {.family = is(15), .model = from(0, 1), .brand = is(14), .name = "Xeon(Foster)"},
    {.family = is(15), .model = from(0, 1), .l2 = is(512), .name = "Pentium 4(Willamette)"},
    {.family = is(15), .model = from(0, 1), .name = "Celeron(Willamette-128K)"},
    {.family = is(15), .model = is(2), .brand = is(12), .name = "Xeon MP(Gallatin)"},
    {.family = is(15), .model = is(2), .brand = is(11), .l3 = from(1), .name = "Xeon(Gallatin)"},
    {.family = is(15), .model = is(2), .brand = is(11), .name = "Xeon(Prestonia)"},
    {.family = is(15), .model = is(2), .brand = is(9), .l3 = from(1), .name = "Pentium 4 Extreme Edition(Gallatin)"},
    {.family = is(15), .model = is(2), .brand = is(9), .logical = from(2), .name = "Pentium 4 HT(Northwood)"},
    {.family = is(15), .model = is(2), .brand = is(9), .name = "Pentium 4(Northwood)"},
    {.family = is(15), .model = is(2), .brand = is(14), .logical = from(2), .name = "Mobile Pentium 4 HT(Northwood)"},
    {.family = is(15), .model = is(2), .brand = is(14), .name = "Mobile Pentium 4-M(Northwood)"},
    {.family = is(15), .model = is(2), .l2 = is(256), .name = "Mobile Celeron(Northwood-256K)"},
    {.family = is(15), .model = is(2), .brand = is(15), .l2 = is(512), .name = "Mobile Pentium 4-M ES(Northwood)"},
    {.family = is(15), .model = is(2), .brand = is(15), .name = "Mobile Celeron(Northwood-128K)"},
    {.family = is(15), .model = is(2), .name = "Celeron(Northwood-128K)"},
    {.family = is(15), .model = is(3), .name = "Pentium 4 HT(Prescott)"},
    {.family = is(15), .model = from(4, 15), .name = "Pentium 4 Family CPU(Unknown)"},

    {.family = below(3), .name = "Intel CPU(Unkown Family)"},
    {.family = from(8, 14), .name = "Intel CPU(Unkown Family)"},
};

constexpr NameRule kAmd[] = {
    {.family = is(4), .model = is(3), .name = "486DX2/DX4 (2xWT)"},
    {.family = is(4), .model = is(7), .name = "486DX2/DX2 (2xWB)"},
    {.family = is(4), .model = is(8), .name = "486DX4/5x86 (3xWT)"},
    {.family = is(4), .model = is(9), .name = "486DX4 SV8B (3xWB)"},
    {.family = is(4), .model = is(14), .name = "5x86 (4xWT)"},
    {.family = is(4), .model = is(15), .name = "5x86 (4xWB)"},
    {.family = is(4), .name = "486 Family CPU(Unknown)"},

    {.family = is(5), .model = from(0, 3), .name = "K5 Processor"},
    {.family = is(5), .model = from(6, 7), .name = "K6 Processor"},
    {.family = is(5), .model = is(8), .name = "K6-2(Chompers)"},
    {.family = is(5), .model = is(9), .name = "K6-III(Sharptooth)"},
    {.family = is(5), .model = is(13), .l2 = is(128), .name = "K6-2+"},
    {.family = is(5), .model = is(13), .l2 = is(256), .name = "K6-III+"},
    {.family = is(5), .model = is(13), .name = "K6 Family CPU(Unknown)"},
    {.family = is(5), .name = "K5/K6 Family CPU(Unknown)"},

    {.family = is(6), .model = is(1), .name = "Athlon(K7)"},
    {.family = is(6), .model = is(2), .name = "Athlon(K75)"},
    {.family = is(6), .model = is(3), .name = "Duron(Spitfire)"},
    {.family = is(6), .model = is(4), .name = "Athlon(ThunderBird)"},
    {.family = is(6), .model = is(6), .l2 = from(256), .mobile = yes, .name = "MobileAthlon4(Palomino)"},
    {.family = is(6), .model = is(6), .mobile = yes, .name = "MobileDuron(Palomino)"},
    {.family = is(6), .model = is(6), .l2 = below(256), .name = "Duron(Palomino)"},
    {.family = is(6), .model = is(6), .stepping = from(0, 2), .mp = yes, .name = "AthlonXP/MP(Palomino)"},
    {.family = is(6), .model = is(6), .mp = yes, .name = "AthlonMP(Palomino)"},
    {.family = is(6), .model = is(6), .name = "AthlonXP(Palomino)"},
    {.family = is(6), .model = is(7), .mobile = yes, .name = "MobileDuron(Morgan)"},
    {.family = is(6), .model = is(7), .name = "Duron(Morgan)"},
    {.family = is(6), .model = is(8), .l2 = below(256), .name = "Duron(Applebred)"},
    {.family = is(6), .model = is(8), .mobile = yes, .name = "MobileAthlonXP-M(Thoroughbred)"},
    {.family = is(6), .model = is(8), .mp = yes, .name = "AthlonMP(Thoroughbred)"},
    {.family = is(6), .model = is(8), .name = "AthlonXP(Thoroughbred)"},
    {.family = is(6), .model = is(10), .l2 = below(512), .name = "AthlonXP(Thorton)"},
    {.family = is(6), .model = is(10), .mobile = yes, .name = "MobileAthlonXP-M(Barton)"},
    {.family = is(6), .model = is(10), .mp = yes, .name = "AthlonMP(Barton)"},
    {.family = is(6), .model = is(10), .name = "AthlonXP(Barton)"},
    {.family = is(6), .model = is(0), .name = "Athlon Family CPU(Unknown)"},
    {.family = is(6), .model = is(5), .name = "Athlon Family CPU(Unknown)"},
    {.family = is(6), .model = is(9), .name = "Athlon Family CPU(Unknown)"},
    {.family = is(6), .model = from(11, 15), .name = "Athlon Family CPU(Unknown)"},

    {.family = is(15), .longMode = is(0), .name = "AthlonXP(Paris)"},
    {.family = is(15), .build = hammerName},

    {.name = "AMD CPU(Unknown Family)"},
};

constexpr NameRule kUmc[] = {
    {.family = is(4), .model = is(1), .name = "U5D (486DX)"},
    {.family = is(4), .model = is(2), .name = "U5S (486SX)"},
    {.family = is(4), .name = "UMC 486 Family CPU(Unknown)"},
    {.name = "UMC CPU(Unknown)"},
};

constexpr NameRule kCyrix[] = {
    {.family = is(4), .model = is(4), .name = "MediaGX/GXm/GXi"},
    {.family = is(4), .model = is(9), .name = "Cx5x86"},
    {.family = is(4), .name = "Cx5x86 Family CPU(Unknown)"},
    {.family = is(5), .model = is(0), .name = "Cx6x86"},
    {.family = is(5), .model = is(2), .name = "Cx6x86"},
    {.family = is(5), .model = is(4), .name = "GXm"},
    {.family = is(5), .name = "Cx6x86 Family CPU(Unknown)"},
    {.family = is(6), .model = is(0), .name = "6x86MX/MII"},
    {.family = is(6), .model = is(5), .name = "VIA CyrixIII(Joshua)"},
    {.family = is(6), .name = "6x86MX/MII Family CPU(Unknown)"},
    {.name = "Cyrix CPU(Unknown)"},
};

constexpr NameRule kNexGen[] = {
    {.family = is(5), .name = "Nx586"},
    {.family = is(6), .name = "Nx686"},
    {.name = "NexGen CPU(Unknown)"},
};

constexpr NameRule kCentaur[] = {
    {.family = is(5), .model = is(4), .name = "WinChip C6"},
    {.family = is(5), .model = is(8), .stepping = from(7, 9), .name = "WinChip 2A"},
    {.family = is(5), .model = is(8), .stepping = from(10, 15), .name = "WinChip 2B"},
    {.family = is(5), .model = is(8), .name = "WinChip 2"},
    {.family = is(5), .model = is(9), .name = "WinChip 3"},
    {.family = is(5), .name = "IDT C6 Family CPU(Unknown)"},
    {.family = is(6), .model = is(6), .name = "VIA Cyrix III(Samuel)"},
    {.family = is(6), .model = is(7), .stepping = from(0, 7), .name = "VIA C3(Samuel2)"},
    {.family = is(6), .model = is(7), .stepping = from(8, 15), .name = "VIA C3(Ezra)"},
    {.family = is(6), .model = is(8), .name = "VIA C3(Ezra-T)"},
    {.family = is(6), .model = is(9), .name = "VIA C3(Nehemiah)"},
    {.family = is(6), .name = "VIA C3 Family CPU(Unknown)"},
    {.name = "Centaur CPU(Unknown)"},
};

constexpr NameRule kRise[] = {
    {.family = is(5), .model = is(0), .name = "mP6(iDragon)"},
    {.family = is(5), .model = is(2), .name = "mP6(iDragon)"},
    {.family = is(5), .model = from(8, 9), .name = "mP6(iDragon II)"},
    {.family = is(5), .name = "Rise mP6 Family CPU(Unknown)"},
    {.name = "Rise CPU(Unknown)"},
};

constexpr NameRule kTransmeta[] = {
    {.transmetaLeaf = yes, .transmetaCode = is(0x0101), .name = "Crusoe TM3200"},
    {.transmetaLeaf = yes, .transmetaCode = is(0x0102), .name = "Crusoe TM5400"},
    {.l2 = is(256), .transmetaLeaf = yes, .transmetaCode = is(0x0103), .transmetaRevision = is(0), .name = "Crusoe TM5500"},
    {.transmetaLeaf = yes, .transmetaCode = is(0x0103), .transmetaRevision = is(0), .name = "Crusoe TM5800"},
    {.l2 = is(256), .transmetaLeaf = yes, .transmetaCode = is(0x0103), .name = "Crusoe TM5400"},
    {.transmetaLeaf = yes, .transmetaCode = is(0x0103), .name = "Crusoe TM5600"},
    {.l2 = is(256), .transmetaLeaf = yes, .transmetaCode = is(0x0104), .name = "Crusoe TM5500"},
    {.l2 = is(512), .transmetaLeaf = yes, .transmetaCode = is(0x0104), .name = "Crusoe TM5800"},
    {.transmetaLeaf = yes, .transmetaCode = is(0x0104), .name = ""},
    {.l2 = is(256), .transmetaLeaf = yes, .transmetaCode = is(0x0105), .name = "Crusoe TM5500"},
    {.transmetaLeaf = yes, .transmetaCode = is(0x0105), .name = "Crusoe TM5800"},
    {.l2 = is(1024), .transmetaLeaf = yes, .name = "Efficeon (Astro, TM8000)"},
    {.name = "Transmeta CPU(Unknown)"},
};

constexpr NameRule kSis[] = {
    {.family = is(5), .name = "SiS 55x"},
    {.name = "SiS CPU(Unknown)"},
};

constexpr NameRule kGeode[] = {
    {.family = is(4), .model = is(4), .name = "Geode GXM/GXLV/GX1"},
    {.family = is(4), .name = "Geode CPU(Unknown)"},
    {.name = "NSC CPU(Unknown)"},
};

constexpr NameRule kCompaq[] = {{.name = "Alpha"}};
constexpr NameRule kConnectix[] = {{.name = "PowerPC"}};

// Facts a section reads beyond the signature and the caches, read only for that vendor.
void readIntelFacts(CpuSource& cpu, CpuFacts& f) { f.logicalProcessors = LogicalProcessorCount(cpu); }

void readAmdFacts(CpuSource& cpu, CpuFacts& f) {
  f.mobile = AmdMobileFlag(cpu) ? 1 : 0;
  const CpuidResult ext = cpu.cpuid(0x80000001);
  f.mp = (ext.edx >> 19) & 1;
  f.longMode = (ext.edx >> 29) & 1;
  f.amdBrand = ext.ebx & 0xFFF;
}

void readTransmetaFacts(CpuSource& cpu, CpuFacts& f) {
  CpuidResult r;
  if (CpuidQuery(cpu, 0x80860000, r) != kCpuidDone || r.eax <= 0x80860000) return;
  if (CpuidQuery(cpu, 0x80860001, r) != kCpuidDone) return;
  f.transmetaLeaf = 1;
  f.transmetaCode = r.ebx >> 16;
  f.transmetaRevision = (r.ebx >> 8) & 0xFF;
}

struct VendorSection {
  std::string_view vendor;
  std::span<const NameRule> rules;
  void (*readFacts)(CpuSource&, CpuFacts&) = nullptr;
  bool thenSystemInformation = false;
};

const VendorSection kSections[] = {
    {"GenuineIntel", kIntel, readIntelFacts},
    {"AuthenticAMD", kAmd, readAmdFacts},
    {"UMC UMC UMC ", kUmc},
    {"CyrixInstead", kCyrix},
    {"NexGenDriven", kNexGen},
    {"CentaurHauls", kCentaur},
    {"RiesRiseRise", kRise},
    {"GenuineTMx86", kTransmeta, readTransmetaFacts},
    {"SiS SiS SiS ", kSis},
    {"Geode by NSC", kGeode},
    {"Compaq FX!32", kCompaq, nullptr, true},
    {"ConnectixCPU", kConnectix, nullptr, true},
};

struct ProcessorTypeEntry {
  std::uint32_t type;
  const char* name;
};
constexpr ProcessorTypeEntry kProcessorTypes[] = {
    {386, "386"},           {486, "486"},           {2000, "MIPS R2000"},   {3000, "MIPS R3000"},
    {4000, "MIPS R4000"},   {21064, "Alpha 21064"}, {21066, "Alpha 21066"}, {21164, "Alpha 21164"},
    {601, "PowerPC 601"},   {603, "PowerPC 603"},   {604, "PowerPC 604"},   {620, "PowerPC 620"},
    {10003, "HITACHI SH3"}, {10004, "HITACHI SH3E"}, {10005, "HITACHI SH4"}, {103, "SH3"},
    {104, "SH4"},           {2577, "StrongARM"},    {1824, "ARM 720"},      {2080, "ARM 820"},
    {2336, "ARM 920"},      {70001, "ARM 7TDMI"},
};

std::string nameByRules(std::span<const NameRule> rules, const CpuFacts& facts) {
  for (const NameRule& rule : rules)
    if (rule.fits(facts)) return rule.build ? rule.build(facts) : std::string(rule.name);
  return {};
}

}  // namespace

std::string ProcessorTypeName(std::uint32_t processorType) {
  for (const ProcessorTypeEntry& e : kProcessorTypes)
    if (e.type == processorType) return e.name;
  return {};
}

std::string ApplySystemInformation(CpuSource& cpu, std::string name) {
  std::string byType = ProcessorTypeName(cpu.processorType());
  return byType.empty() ? name : byType;
}

std::string CpuNameFromCpuid(CpuSource& cpu) {
  const std::string vendor = CpuVendorString(cpu);
  CpuFacts facts;
  facts.sig = ReadCpuSignature(cpu);
  CpuCacheInfo cache;
  ReadCpuCacheInfo(cpu, cache);
  facts.l2 = cache.l2;
  facts.l3 = cache.l3;

  for (const VendorSection& section : kSections) {
    if (section.vendor != vendor) continue;
    if (section.readFacts) section.readFacts(cpu, facts);
    std::string name = nameByRules(section.rules, facts);
    return section.thenSystemInformation ? ApplySystemInformation(cpu, std::move(name)) : name;
  }
  return ApplySystemInformation(cpu, std::string());
}

}  // namespace mrv
