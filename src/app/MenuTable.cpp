#include "app/MenuTable.h"

#include <array>

namespace mrv {

namespace {
constexpr std::array kFile{
    MenuItemDef{"File1", "読み取り(&R)", "Read1", false},
    MenuItemDef{"File1", "保存(&S)", "Save1", false},
    MenuItemDef{"File1", "表示切替(&C)", "SwitchScreen1", false},
    MenuItemDef{"File1", "一覧表作成(&O)", "OneSheet1", false},
    MenuItemDef{"File1", "終了(&X)", "Exit1", true},
};
constexpr std::array kDisk{
    MenuItemDef{"D1", "HDD状態(&C)", "HDD1", false},
    MenuItemDef{"D1", "HDD履歴(&H)", "HDD2", false},
    MenuItemDef{"D1", "HDD履歴グラフ(&G)", "HDDG1", false},
    MenuItemDef{"D1", "HDD履歴データ消去(&E)", "HDDE1", false},
    MenuItemDef{"D1", "HDD履歴ファイルを開く(&O)...", "HDDO1", true},
    MenuItemDef{"D1", "HDD履歴ファイルグラフ表示(&R)", "HDD3", false},
};
constexpr std::array kSettings{
    MenuItemDef{"Edit1", "設定読み込み(&R)", "ReadSetting1", false},
    MenuItemDef{"Edit1", "設定保存(&S)", "SaveSetting1", false},
    MenuItemDef{"Edit1", "項目リスト(&L)", "ItemList1", false},
};
constexpr std::array kSearch{
    MenuItemDef{"S1", "検索文字入力画面 (&0)", "SearchStr1", false},
    MenuItemDef{"S1", "HKEY_LOCAL_MACHINE\\Softwareから(&1) ", "LOCALMACHINE1", false},
    MenuItemDef{"S1", "HKEY_LOCAL_MACHINE\\Systemから(&2) ", "HKEYLOCALMACHINESystem21", false},
    MenuItemDef{"S1", "HKEY_CURRENT_USER\\Softwareから(&3) ", "HKEYCURRENTUSERSoftware31", false},
    MenuItemDef{"S1", "HKEY_CURRENT_USER\\Systemから(&4) ", "HKEYCURRENTUSERSystem41", false},
    MenuItemDef{"S1", "HKEY_LOCAL_MACHINE\\Software\\Classesから(&5) ", "HKEYLOCALMACHINESoftwareClasses11", false},
    MenuItemDef{"S1", "実行中プログラム(&P)", "RunningProg1", false},
    MenuItemDef{"S1", "ファイルバージョン(&V)", "FileVersion1", false},
};
constexpr std::array kHelp{
    MenuItemDef{"Help1", "説明書 (&C)", "Help2", false},
    MenuItemDef{"Help1", "バージョン情報 (&A)", "Version1", false},
};
constexpr std::array kMenus{
    MenuDef{"ファイル(&F)", "File1", kFile},
    MenuDef{"ハードディスク （&D)", "D1", kDisk},
    MenuDef{"設定(&I)", "Edit1", kSettings},
    MenuDef{"検索(&S)", "S1", kSearch},
    MenuDef{"ヘルプ (&H)", "Help1", kHelp},
};
}  // namespace

std::span<const MenuDef> MainMenu1() { return kMenus; }

}  // namespace mrv
