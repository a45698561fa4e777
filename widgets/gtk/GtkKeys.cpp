#include <gdk/gdkkeysyms.h>

#include <vector>

#include "widgets/Core.h"
#include "widgets/gtk/GtkBackend.h"

namespace widgets {

unsigned KeyvalToVirtualKey(unsigned keyval) {
  if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return keyval - GDK_KEY_a + 'A';
  if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return keyval - GDK_KEY_A + 'A';
  if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return keyval - GDK_KEY_0 + '0';
  if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return keyval - GDK_KEY_KP_0 + 0x60;
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return keyval - GDK_KEY_F1 + VK_F1;
  switch (keyval) {
    case GDK_KEY_BackSpace: return VK_BACK;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab: return VK_TAB;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: return VK_RETURN;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R: return VK_SHIFT;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R: return VK_CONTROL;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
    case GDK_KEY_ISO_Level3_Shift: return VK_MENU;
    case GDK_KEY_Pause: return VK_PAUSE;
    case GDK_KEY_Caps_Lock: return VK_CAPITAL;
    case GDK_KEY_Escape: return VK_ESCAPE;
    case GDK_KEY_space: return VK_SPACE;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up: return VK_PRIOR;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down: return VK_NEXT;
    case GDK_KEY_End:
    case GDK_KEY_KP_End: return VK_END;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home: return VK_HOME;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left: return VK_LEFT;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up: return VK_UP;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right: return VK_RIGHT;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down: return VK_DOWN;
    case GDK_KEY_Insert:
    case GDK_KEY_KP_Insert: return VK_INSERT;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete: return VK_DELETE;
    case GDK_KEY_KP_Multiply: return 0x6A;
    case GDK_KEY_KP_Add: return 0x6B;
    case GDK_KEY_KP_Subtract: return 0x6D;
    case GDK_KEY_KP_Decimal: return 0x6E;
    case GDK_KEY_KP_Divide: return 0x6F;
    case GDK_KEY_AudioMute: return VK_VOLUME_MUTE;
    case GDK_KEY_AudioLowerVolume: return VK_VOLUME_DOWN;
    case GDK_KEY_AudioRaiseVolume: return VK_VOLUME_UP;
    case GDK_KEY_AudioNext: return VK_MEDIA_NEXT_TRACK;
    case GDK_KEY_AudioPrev: return VK_MEDIA_PREV_TRACK;
    case GDK_KEY_AudioStop: return VK_MEDIA_STOP;
    case GDK_KEY_AudioPlay:
    case GDK_KEY_AudioPause: return VK_MEDIA_PLAY_PAUSE;
    case GDK_KEY_semicolon:
    case GDK_KEY_colon: return 0xBA;
    case GDK_KEY_plus:
    case GDK_KEY_equal: return 0xBB;
    case GDK_KEY_comma:
    case GDK_KEY_less: return 0xBC;
    case GDK_KEY_minus:
    case GDK_KEY_underscore: return 0xBD;
    case GDK_KEY_period:
    case GDK_KEY_greater: return 0xBE;
    case GDK_KEY_slash:
    case GDK_KEY_question: return 0xBF;
    default: return 0;
  }
}

}  // namespace widgets

namespace widgets {

std::vector<unsigned> VirtualKeyToKeyvals(unsigned vk) {
  if (vk >= 'A' && vk <= 'Z') return {GDK_KEY_a + (vk - 'A')};
  if (vk >= '0' && vk <= '9') return {GDK_KEY_0 + (vk - '0')};
  if (vk >= VK_F1 && vk < VK_F1 + 24) return {GDK_KEY_F1 + (vk - VK_F1)};
  if (vk >= 0x60 && vk <= 0x69) return {GDK_KEY_KP_0 + (vk - 0x60)};
  switch (vk) {
    case VK_BACK: return {GDK_KEY_BackSpace};
    case VK_TAB: return {GDK_KEY_Tab};
    case VK_PAUSE: return {GDK_KEY_Pause};
    case VK_CAPITAL: return {GDK_KEY_Caps_Lock};
    case VK_PRIOR: return {GDK_KEY_Page_Up};
    case VK_NEXT: return {GDK_KEY_Page_Down};
    case VK_END: return {GDK_KEY_End};
    case VK_HOME: return {GDK_KEY_Home};
    case VK_INSERT: return {GDK_KEY_Insert};
    case VK_DELETE: return {GDK_KEY_Delete};
    case 0x6A: return {GDK_KEY_KP_Multiply};
    case 0x6B: return {GDK_KEY_KP_Add};
    case 0x6D: return {GDK_KEY_KP_Subtract};
    case 0x6E: return {GDK_KEY_KP_Decimal};
    case 0x6F: return {GDK_KEY_KP_Divide};
    case 0xBA: return {GDK_KEY_semicolon};
    case 0xBB: return {GDK_KEY_equal};
    case 0xBC: return {GDK_KEY_comma};
    case 0xBD: return {GDK_KEY_minus};
    case 0xBE: return {GDK_KEY_period};
    case 0xBF: return {GDK_KEY_slash};
    case VK_SHIFT: return {GDK_KEY_Shift_L, GDK_KEY_Shift_R};
    case VK_CONTROL: return {GDK_KEY_Control_L, GDK_KEY_Control_R};
    case VK_MENU: return {GDK_KEY_Alt_L, GDK_KEY_Alt_R};
    case VK_ESCAPE: return {GDK_KEY_Escape};
    case VK_SPACE: return {GDK_KEY_space};
    case VK_RETURN: return {GDK_KEY_Return, GDK_KEY_KP_Enter};
    case VK_LEFT: return {GDK_KEY_Left};
    case VK_RIGHT: return {GDK_KEY_Right};
    case VK_UP: return {GDK_KEY_Up};
    case VK_DOWN: return {GDK_KEY_Down};
    case VK_VOLUME_MUTE: return {GDK_KEY_AudioMute};
    case VK_VOLUME_DOWN: return {GDK_KEY_AudioLowerVolume};
    case VK_VOLUME_UP: return {GDK_KEY_AudioRaiseVolume};
    case VK_MEDIA_NEXT_TRACK: return {GDK_KEY_AudioNext};
    case VK_MEDIA_PREV_TRACK: return {GDK_KEY_AudioPrev};
    case VK_MEDIA_STOP: return {GDK_KEY_AudioStop};
    case VK_MEDIA_PLAY_PAUSE: return {GDK_KEY_AudioPlay, GDK_KEY_AudioPause};
    default: return {};
  }
}

}  // namespace widgets
