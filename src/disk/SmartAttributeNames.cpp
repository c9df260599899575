// The attribute name table: English and Japanese names by attribute ID.
#include <algorithm>
#include <iterator>

#include "disk/DriveHealth.h"
#include "disk/NvmeHealth.h"

namespace mrv {
namespace {

struct NameRow {
  int id;
  std::string_view english;
  std::string_view japanese;
};

// IDs between 192 and 250 that are not listed have empty names in both halves.
constexpr NameRow kNames[] = {
    {0, "No Attribute Here", ""},
    {1, "Raw Read Error Rate", "読み取りエラー"},
    {2, "Throughput Performance", "全般パフォーマンス"},
    {3, "Spin Up Time", "立ち上がり時間"},
    {4, "Start/Stop Count", "起動回数"},
    {5, "Reallocated Sector Count", "再配置セクタ数"},
    {6, "Read Channel Margin", "読み取りチャネル余裕"},
    {7, "Seek Error Rate", "シークエラー"},
    {8, "Seek Time Performance", "シーク時間"},
    {9, "Power On Hours Count", "電源入り時間"},
    {10, "Spin Retry Count", "回転再トライ回数"},
    {11, "Calibration Retry Count", "較正再トライ"},
    {12, "Power Cycle Count", "電源入切回数"},
    {13, "Unknown", "ソフト読み取りエラー"},
    {14, "Unknown", ""},
    {15, "Unknown", ""},
    {192, "Emergency Retract Cycle", "非常退避回数"},
    {193, "Load Cycle Count", "ヘッド退避回数"},
    {194, "Temperature Celcius", "温度（℃）"},
    {195, "Hardware ECC Recovered", "ハードECC"},
    {196, "Reallocation Event Count", "再配置回数"},
    {197, "Current Pending Sector", "保留セクタ"},
    {198, "Off-line Uncorrectable", "回復不可セクタ"},
    {199, "Ultra ATA CRC Error Rate", "UATA CRCエラー"},
    {200, "Multi Zone Error Rate (Write Error Rate)", "書き込みエラー回数"},
    {201, "Off Track Errors (Soft Read Error Rate)", "オフトラックエラー"},
    {202, "TA Increase Count (Data Address Mark Errors)", "TA増加回数"},
    {203, "ECC Errors (Run Out Cancel)", "ECCエラー"},
    {204, "Shock Count Write Operation (Soft ECC Correction)", "ソフトウェアECCエラー"},
    {205, "Shock Rate Write Operation (Thermal Asperity Rate)", "サーマルアスペリティエラー"},
    {206, "Flying Height", "ヘッド浮上高"},
    {207, "Spin High Current", "回転電流大"},
    {208, "Spin Buzz", "回転ノイズ"},
    {209, "Offline Seek Perf", "オフラインシーク性能"},
    {210, "Vibration During Write", "書き込み中の振動"},
    {211, "Vibration During Read", "読み込み中の振動"},
    {212, "Shock During Write", "書き込み中の衝撃"},
    {220, "Disk Shift", "ディスクずれ"},
    {221, "G-Sense Error Rate", "衝撃エラー"},
    {222, "Loaded Hours", "負荷時間"},
    {223, "Load/Unload Retry Count", "ロード再試行回数"},
    {224, "Load Friction", "ヘッド摩擦負荷"},
    {225, "Load/Unload Cycle Count", ""},
    {226, "Load-in Time", "ヘッド負荷時間合計"},
    {227, "Torque Amplification Count", "トルク倍率"},
    {228, "Power-Off Retract Count", "停電退避回数"},
    {230, "GMR Head Amplitude", "GMRヘッド振幅"},
    {231, "Temperature", "温度"},
    {240, "Head Flying Hours", "ヘッド位置決め時間"},
    {250, "Read Error Retry Rate", "読み取りエラー率"},
};

const NameRow* findName(int id) {
  const auto it = std::find_if(std::begin(kNames), std::end(kNames), [id](const NameRow& r) { return r.id == id; });
  return it == std::end(kNames) ? nullptr : &*it;
}

bool inUpperRange(int id) { return id >= 192 && id <= 250; }

}  // namespace

std::string_view smartAttributeName(int id) {
  if (!((id >= 0 && id <= 12) || inUpperRange(id))) return "Unknown";
  const NameRow* row = findName(id);
  return row ? row->english : std::string_view();
}

std::string_view smartAttributeJapaneseName(int id) {
  if (!((id >= 0 && id <= 15) || inUpperRange(id))) return {};
  const NameRow* row = findName(id);
  return row ? row->japanese : std::string_view();
}

std::string_view attributeJapaneseName(const DriveHealth& health, int id) {
  return health.nvme ? nvmeAttributeJapaneseName(id) : smartAttributeJapaneseName(id);
}

}  // namespace mrv
