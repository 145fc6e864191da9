// The editor's menu, command ids and dialog templates: the layouts and texts
// that a Windows build keeps in its resource script, as data the window side
// builds its widgets from. Positions and sizes are in dialog units of the
// template's font.
#pragma once

#include <span>

namespace res {

// Command ids of menu 300 and of the class library commands it uses.
enum CommandId : int {
  ID_IMPORT_PICTURE = 32782,
  ID_CHANGE_FACE = 32783,
  ID_RESET_ALL = 32784,
  ID_FIND_OFFICER = 32787,
  ID_FILE_SAVE = 57603,
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
};

// Template and resource ids.
enum ResourceId : int {
  IDD_ABOUTBOX = 200,
  IDD_PROGRESS = 205,
  IDD_MESSAGE = 207,
  IDD_PREVIEW_BAR = 208,
  IDR_MAINFRAME = 300,
};

// Control ids used by the templates below.
enum ControlId : int {
  IDC_STATIC = -1,
  IDOK = 1,
  IDC_PROGRESS_TEXT = 1000,
  IDC_PROGRESS_BAR = 1001,
  IDC_BAR_NAME = 1007,
  IDC_BAR_LARGE_CAPTION = 1008,
  IDC_BAR_MEDIUM_CAPTION = 1009,
  IDC_BAR_LARGE = 1010,
  IDC_BAR_MEDIUM = 1011,
  IDC_BAR_SMALL = 1012,
  IDC_BAR_SMALL_CAPTION = 1025,
  IDC_MSG_BTN1 = 1036,
  IDC_MSG_BTN2 = 1037,
  IDC_MSG_BTN3 = 1038,
  IDC_MSG_BTN4 = 1039,
  IDC_MSG_BTN5 = 1040,
  IDC_MSG_DONT_SHOW = 1041,
  IDC_MSG_TEXT = 1042,
};

enum class ControlKind {
  Text,           // STATIC, left aligned
  CenteredText,   // STATIC, centred both ways
  Icon,           // STATIC with an icon
  Bitmap,         // STATIC that takes the size of its bitmap
  PushButton,
  DefPushButton,
  CheckBox,       // automatic check box
  ProgressBar,
};

struct DlgRect {
  int x, y, cx, cy;
};

struct DlgControl {
  int id;
  ControlKind kind;
  const char* text;  // UTF-8
  DlgRect rect;
};

struct DlgTemplate {
  int id;
  const char* caption;  // empty: no caption bar
  const char* font;
  int pointSize;
  int cx, cy;
  std::span<const DlgControl> controls;
};

// The template of that id, or null.
const DlgTemplate* FindDialogTemplate(int id);

// The control of that id inside a template, or null (IDC_STATIC matches the
// first unnamed control).
const DlgControl* FindControl(const DlgTemplate& t, int id);

struct MenuItem {
  const char* text;  // with its mnemonic marked by '&'
  int command;
};

// Menu 300: a bar of commands, no drop-down menus, in display order.
std::span<const MenuItem> MainMenu();

}  // namespace res
