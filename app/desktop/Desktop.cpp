#include "app/desktop/Desktop.h"

#include <glib.h>

#include "platform/Resources.h"
#include "resources/strings/StringTable.h"
#include "widgets/backend/Backend.h"
#include "support/Encoding.h"
#include "widgets/controls/Control.h"
#include "widgets/controls/DropFiles.h"
#include "widgets/menus/Menu.h"
#include "widgets/tray/TrayIcon.h"

namespace app {

using namespace core;
using namespace widgets;

namespace {
constexpr const char16_t* TrayMuteCaption = u"&Sessiz";
}  // namespace

TDesktopPart::TDesktopPart(TMainWindow& controller) : FController(controller) {}

TDesktopPart::~TDesktopPart() {
  delete FTrayIcon;
  FTrayIcon = nullptr;
  if (FIcon) DestroyIcon(FIcon);
}

HICON TDesktopPart::LoadIcon(int size) const {
  auto png = platform::LoadResourceBytes(QOR_SKIN_RESOURCE_BASE "/icons/" + std::to_string(FController.IconId()) + "-" +
                                         std::to_string(size) + ".png");
  return png ? CreateIconFromPng(*png, size) : 0;
}

void TDesktopPart::Open(bool trayIcon) {
  FIcon = LoadIcon(32);
  if (!trayIcon) return;
  FTrayIcon = new TTrayIcon(&FController);
  FTrayIcon->SetIcon(LoadIcon(16));
  FTrayIcon->SetHintText(res::LoadStr(res::IDS_APP_TITLE));
  FTrayIcon->OnMouseUp = [this](TObject*, UINT keys, int, int) { TrayMouseUp(keys); };
  FTrayIcon->OnDblClick = [this](TObject*) { TrayDblClick(); };
  FTrayIcon->SetVisibleTray(true);
}

void TDesktopPart::SetIconId(int) {
  if (FTrayIcon) FTrayIcon->SetIcon(LoadIcon(16));
  HICON old = FIcon;
  FIcon = LoadIcon(32);
  if (old) DestroyIcon(old);
}

void TDesktopPart::SetTrayHint(const std::u16string& text) {
  if (FTrayIcon) FTrayIcon->SetHintText(text);
}

void TDesktopPart::Close() {
  if (FTrayIcon && FTrayIcon->WindowHandle()) SendMessage(FTrayIcon->WindowHandle(), WM_CLOSE);
  if (FIcon) DestroyIcon(FIcon);
  FIcon = 0;
}

void TDesktopPart::TrayMouseUp(UINT keys) {
  if (keys != MK_RBUTTON) return;
  HWND player = FController.PlayerWindowHandle();
  if (!player) return;
  LRESULT menu = SendMessage(player, UM_QUERY_MENU, 1, 0);
  if (menu && FController.PopupMenu) {
    SetForegroundWindow(player);
    ProcessMessages();
    // The tray offers mute beside the record command, for the hand that is
    // not on the window: only while this menu is up.
    HMENU popup = GetSubMenu(static_cast<HMENU>(menu), 0);
    int count = GetMenuItemCount(popup), record = 0;
    while (record < count && GetMenuItemID(popup, record) != CM_RECORD) ++record;
    bool muted = SendMessage(FController.WindowHandle(), UM_GET_MUTE) != 0;
    bool added = record < count && InsertMenuW(popup, static_cast<UINT>(record + 1),
                                               MF_BYPOSITION | MF_STRING | (muted ? MF_CHECKED : MF_UNCHECKED),
                                               CM_TOGGLE_MUTE, TrayMuteCaption);
    FController.PopupMenu(menu, player);
    if (added && IsMenu(popup)) DeleteMenu(popup, static_cast<UINT>(CM_TOGGLE_MUTE), MF_BYCOMMAND);
  }
}

void TDesktopPart::TrayDblClick() {
  if (HWND player = FController.PlayerWindowHandle()) SendMessage(player, UM_TRAY_CLICK, 1, 0);
}

TDesktopPart* AddDesktop(TMainWindow& controller, bool display) {
  auto part = std::make_unique<TDesktopPart>(controller);
  TDesktopPart* result = part.get();
  controller.Desktop = std::move(part);
  // The player window's menu: its first submenu at the cursor, owned by
  // the player window, which gets the chosen command.
  controller.PopupMenu = [](LRESULT menu, HWND owner) {
    HMENU popup = GetSubMenu(static_cast<HMENU>(menu), 0);
    if (!IsMenu(popup)) return;
    TPoint at = GetCursorPos();
    TrackPopupMenuEx(popup, TPM_VERTICAL, at.X, at.Y, owner, nullptr);
  };
  controller.Beep = [] { Backend().Beep(); };
  // Files and addresses opened from the desktop or the command line arrive
  // in a drop handle, as dropped files do. From the idle loop: the instance that handed them over need not
  // wait for whatever the player window asks about them.
  controller.OpenFiles = [](HWND player, const std::vector<std::u16string>& files) {
    struct TDelivery {
      HWND Player;
      HDROP Drop;
    };
    std::vector<std::string> paths;
    for (const auto& file : files) paths.push_back(enc::WideToFileName(file));
    auto* delivery = new TDelivery{player, CreateDrop(paths, TPoint{0, 0})};
    g_idle_add_full(
        G_PRIORITY_DEFAULT_IDLE,
        [](gpointer data) -> gboolean {
          auto* d = static_cast<TDelivery*>(data);
          if (IsWindow(d->Player)) SendMessage(d->Player, UM_OPEN_TARGETS, static_cast<WPARAM>(d->Drop), 0);
          // The receiver normally finishes it; one that did not must not leak.
          DragFinish(d->Drop);
          return G_SOURCE_REMOVE;
        },
        delivery, [](gpointer data) { delete static_cast<TDelivery*>(data); });
  };
  if (display) {
    controller.Ask = GtkQuestion;
    controller.CloseQuestion = CloseGtkQuestion;
  }
  return result;
}

}  // namespace app
