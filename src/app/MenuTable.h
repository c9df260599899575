#pragma once
// The main window's menu: captions, item names and separators, in order. The window builds its
// menus from this table; commands are found by item name.
#include <span>
#include <string_view>

namespace mrv {

struct MenuItemDef {
  std::string_view menuName;  // the top-level menu's item name
  std::string_view caption;
  std::string_view name;
  bool separatorBefore;
};

struct MenuDef {
  std::string_view caption;
  std::string_view name;
  std::span<const MenuItemDef> items;
};

std::span<const MenuDef> MainMenu1();

}  // namespace mrv
