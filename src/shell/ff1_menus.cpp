// Menus, pop-up menus, accelerators and tool bar buttons of the main window.
#include "shell/ff1_impl.h"

namespace ruzer {

namespace {

constexpr Cmd kSep{};

struct TopMenuDef {
  const wchar_t* caption;
  std::vector<MenuItemDef> items;
};

// The row commands: the Edit menu and the source list's pop-up offer the same ones.
const std::vector<MenuItemDef>& RowItems() {
  static const std::vector<MenuItemDef> items = {
      {Cmd::Add, L"行追加(&A)...", L"Ctrl+A"},
      {Cmd::Del, L"行削除(&D)...", L"Ctrl+D"},
      {kSep, nullptr, nullptr},
      {Cmd::Dir, L"「下位フォルダもバックアップ」一括変更(&F)...", nullptr},
      {Cmd::Svf, L"保存ファイル一括変更(&S)...", nullptr},
      {Cmd::Exf, L"除外ファイル一括変更(&N)...", nullptr},
      {kSep, nullptr, nullptr},
      {Cmd::Wiz, L"簡単初期設定(&W)...", nullptr},
  };
  return items;
}

std::vector<MenuItemDef> Joined(std::vector<MenuItemDef> first, const std::vector<MenuItemDef>& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

const std::vector<TopMenuDef>& MainMenuTable() {
  static const std::vector<TopMenuDef> table = {
      {L"ファイル(&F)",
       {{Cmd::Xopen, L"ファイルセットを開く(&O)...", L"Ctrl+O"},
        {Cmd::Xsort, L"ページの並べ替え(&S)...", L"Ctrl+S"},
        {Cmd::PgAdd, L"ページ追加(&P)...", L"Ctrl+P"},
        {Cmd::PgDel, L"ページ削除(&Q)...", L"Ctrl+Q"},
        {Cmd::PgRen, L"ページ名変更(&R)...", L"Ctrl+R"},
        {kSep, nullptr, nullptr},
        {Cmd::PgOld, L"旧バージョンのデータ変換(&V)", nullptr},
        {kSep, nullptr, nullptr},
        {Cmd::Exit, L"終了(&X)", nullptr}}},
      {L"編集(&E)",
       Joined({{Cmd::Env, L"条件設定(&E)...", L"Ctrl+E"},
               {kSep, nullptr, nullptr},
               {Cmd::Change, L"行変更(&C)...", nullptr}},
              RowItems())},
      {L"機能(&J)",
       {{Cmd::Backup, L"バックアップ(&B)...", L"Ctrl+B"},
        {Cmd::Check, L"容量測定(&C)...", L"Ctrl+C"},
        {Cmd::Verify, L"復元(&V)...", L"Ctrl+V"},
        {Cmd::Find, L"ファイルを探す(&F)...", L"Ctrl+F"},
        {Cmd::Collate, L"照合(&K)...", L"Ctrl+K"}}},
      {L"登録(&R)",
       {{Cmd::Inst, L"スタートメニューへの登録...", nullptr},
        {Cmd::RegDel, L"登録情報削除...", nullptr}}},
      {L"ヘルプ(&H)",
       {{Cmd::HelpTopic, L"ヘルプ(&H)...", L"F1"},
        {Cmd::VerInfo, L"バージョン情報(&A)...", nullptr}}},
  };
  return table;
}

const std::vector<MenuItemDef>& PopupTable(FF1::Popup which) {
  static const std::vector<MenuItemDef> source =
      Joined(RowItems(), {{Cmd::HelpSourceList, L"保存元リストのヘルプ(&H)", nullptr}});
  static const std::vector<MenuItemDef> tabs = {
      {Cmd::Xopen, L"ファイルセットを開く(&O)...", nullptr},
      {Cmd::Xsort, L"ページの並べ替え(&S)...", nullptr},
      {Cmd::PgAdd, L"ページ追加(&P)...", nullptr},
      {Cmd::PgDel, L"ページ削除(&Q)...", nullptr},
      {Cmd::PgRen, L"ページ名変更(&R)...", nullptr},
      {Cmd::HelpPage, L"ページのヘルプ(&H)", nullptr},
  };
  static const std::vector<MenuItemDef> tree = {
      {Cmd::HelpTree, L"フォルダ・ツリーのヘルプ(&H)", nullptr},
      {Cmd::TreeRefresh, L"フォルダの更新(&D)", L"F5"},
  };
  static const std::vector<MenuItemDef> errors = {
      {Cmd::HelpErrorList, L"エラーリストのヘルプ(&H)", nullptr},
  };
  switch (which) {
    case FF1::Popup::SourceList: return source;
    case FF1::Popup::Tabs: return tabs;
    case FF1::Popup::Tree: return tree;
    default: return errors;
  }
}

void AppendItems(HMENU menu, const std::vector<MenuItemDef>& items) {
  for (const auto& it : items) {
    if (it.cmd == kSep) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::wstring text = it.caption;
    if (it.key) text += std::wstring(L"\t") + it.key;
    AppendMenuW(menu, MF_STRING | (CommandBuilt(it.cmd) ? MF_ENABLED : MF_GRAYED),
                static_cast<UINT_PTR>(it.cmd), text.c_str());
  }
}

}  // namespace

HMENU BuildMainMenu() {
  HMENU bar = CreateMenu();
  for (const auto& top : MainMenuTable()) {
    HMENU sub = CreatePopupMenu();
    AppendItems(sub, top.items);
    AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), top.caption);
  }
  return bar;
}

HMENU BuildPopup(FF1::Popup which) {
  HMENU menu = CreatePopupMenu();
  AppendItems(menu, PopupTable(which));
  return menu;
}

void SetAbortMenuItem(HMENU mainMenu, bool present) {
  // Win32 menus cannot hide an item: mnuAbort is added for busy mode and removed after it.
  HMENU help = GetSubMenu(mainMenu, 4);
  if (!help) return;
  const UINT id = static_cast<UINT>(Cmd::Abort);
  const bool there = GetMenuState(help, id, MF_BYCOMMAND) != static_cast<UINT>(-1);
  if (present && !there) AppendMenuW(help, MF_STRING, id, L"中断\tF3");
  if (!present && there) DeleteMenu(help, id, MF_BYCOMMAND);
}

HACCEL BuildAccelerators() {
  auto key = [](BYTE virt, WORD k, Cmd c) { return ACCEL{static_cast<BYTE>(virt | FVIRTKEY), k, static_cast<WORD>(c)}; };
  ACCEL table[] = {
      key(FCONTROL, 'O', Cmd::Xopen),  key(FCONTROL, 'S', Cmd::Xsort),  key(FCONTROL, 'P', Cmd::PgAdd),
      key(FCONTROL, 'Q', Cmd::PgDel),  key(FCONTROL, 'R', Cmd::PgRen),  key(FCONTROL, 'E', Cmd::Env),
      key(FCONTROL, 'A', Cmd::Add),    key(FCONTROL, 'D', Cmd::Del),    key(FCONTROL, 'B', Cmd::Backup),
      key(FCONTROL, 'C', Cmd::Check),  key(FCONTROL, 'V', Cmd::Verify), key(FCONTROL, 'F', Cmd::Find),
      key(FCONTROL, 'K', Cmd::Collate),
      key(0, VK_F1, Cmd::HelpTopic),
      key(0, VK_F3, Cmd::Abort),       key(0, VK_F5, Cmd::TreeRefresh),
  };
  return CreateAcceleratorTableW(table, static_cast<int>(std::size(table)));
}

const std::vector<ToolButtonDef>& ToolButtons() {
  static const std::vector<ToolButtonDef> buttons = {
      {Cmd::Xopen, 0, L"ファイルセットを開く"},
      {Cmd::PgAdd, 1, L"ページ追加"},
      {Cmd::PgDel, 2, L"ページ削除"},
      {kSep, -1, nullptr},
      {Cmd::Env, 3, L"条件設定"},
      {Cmd::Add, 4, L"行追加"},
      {Cmd::Del, 5, L"行削除"},
      {kSep, -1, nullptr},
      {Cmd::Backup, 6, L"バックアップ"},
      {Cmd::Check, 7, L"容量測定"},
      {Cmd::Verify, 8, L"復元"},
      {Cmd::Find, 10, L"ファイルを探す"},
      {kSep, -1, nullptr},
      {Cmd::HelpTopic, 9, L"ヘルプ"},
      {kSep, -1, nullptr},
  };
  return buttons;
}

}  // namespace ruzer
