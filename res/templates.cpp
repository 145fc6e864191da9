#include "res/templates.h"

#include <algorithm>
#include <iterator>

namespace res {
namespace {

constexpr DlgControl kAboutControls[] = {
    {IDC_STATIC, ControlKind::Icon, "", {11, 17, 20, 20}},
    {IDC_STATIC, ControlKind::Text, "『セルヴァリン』 顔変更エディタ Version 1.10", {40, 10, 138, 8}},
    {IDC_STATIC, ControlKind::Text, "顔CGの閲覧と差し替えのためのツールです。", {40, 25, 159, 8}},
    {IDOK, ControlKind::DefPushButton, "OK", {202, 7, 50, 16}},
};

constexpr DlgControl kProgressControls[] = {
    {IDC_PROGRESS_TEXT, ControlKind::CenteredText, "しばらくお待ちください", {7, 7, 336, 26}},
    {IDC_PROGRESS_BAR, ControlKind::ProgressBar, "", {7, 37, 336, 14}},
};

constexpr DlgControl kMessageControls[] = {
    {IDC_MSG_TEXT, ControlKind::Text, "スタティック", {7, 30, 370, 45}},
    {IDC_MSG_DONT_SHOW, ControlKind::CheckBox, "今後、このメッセージを表示しない。", {33, 110, 126, 10}},
    {IDC_MSG_BTN1, ControlKind::PushButton, "BTN1", {7, 134, 50, 14}},
    {IDC_MSG_BTN2, ControlKind::PushButton, "BTN2", {87, 134, 50, 14}},
    {IDC_MSG_BTN3, ControlKind::PushButton, "BTN3", {165, 134, 50, 14}},
    {IDC_MSG_BTN4, ControlKind::PushButton, "BTN4", {245, 134, 50, 14}},
    {IDC_MSG_BTN5, ControlKind::PushButton, "BTN5", {327, 134, 50, 14}},
};

constexpr DlgControl kPreviewBarControls[] = {
    {IDC_BAR_NAME, ControlKind::Text, "", {1, 3, 139, 15}},
    {IDC_BAR_LARGE_CAPTION, ControlKind::Text, "大サイズ", {1, 21, 24, 8}},
    {IDC_BAR_LARGE, ControlKind::Bitmap, "", {1, 29, 13, 14}},
    {IDC_BAR_MEDIUM_CAPTION, ControlKind::Text, "中サイズ", {1, 201, 24, 8}},
    {IDC_BAR_MEDIUM, ControlKind::Bitmap, "", {1, 209, 13, 14}},
    {IDC_BAR_SMALL_CAPTION, ControlKind::Text, "小サイズ", {1, 295, 24, 8}},
    {IDC_BAR_SMALL, ControlKind::Bitmap, "", {1, 303, 13, 14}},
};

// Sorted by id.
constexpr DlgTemplate kTemplates[] = {
    {IDD_ABOUTBOX, "バージョン情報『セルヴァリン』顔変更エディタ", "MS UI Gothic", 9, 259, 56, kAboutControls},
    {IDD_PROGRESS, "", "MS Shell Dlg", 8, 350, 58, kProgressControls},
    {IDD_MESSAGE, "確認", "MS Shell Dlg", 8, 382, 154, kMessageControls},
    {IDD_PREVIEW_BAR, "", "MS UI Gothic", 9, 141, 481, kPreviewBarControls},
};

constexpr MenuItem kMainMenu[] = {
    {"画像取込(&R)", ID_IMPORT_PICTURE},
    {"画像変更(&C)", ID_CHANGE_FACE},
    {"上書き保存(&S)", ID_FILE_SAVE},
    {"全初期化(&I)", ID_RESET_ALL},
    {"武将検索(&F)", ID_FIND_OFFICER},
    {"バージョン情報(&A)", ID_APP_ABOUT},
    {"終了(&X)", ID_APP_EXIT},
};
static_assert(std::size(kMainMenu) == 7, "menu 300 holds seven commands");

}  // namespace

const DlgTemplate* FindDialogTemplate(int id) {
  auto it = std::lower_bound(std::begin(kTemplates), std::end(kTemplates), id,
                             [](const DlgTemplate& t, int v) { return t.id < v; });
  return (it != std::end(kTemplates) && it->id == id) ? &*it : nullptr;
}

const DlgControl* FindControl(const DlgTemplate& t, int id) {
  for (const DlgControl& c : t.controls)
    if (c.id == id) return &c;
  return nullptr;
}

std::span<const MenuItem> MainMenu() { return kMainMenu; }

}  // namespace res
