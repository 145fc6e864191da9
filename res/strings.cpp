#include "res/strings.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace res {
namespace {

struct Entry {
  int id;
  const char* text;
};

// Sorted by id; LoadString searches it.
constexpr Entry kStrings[] = {
    {IDS_OLE_INIT_FAILED, "OLE の初期化に失敗しました。OLE ライブラリのバージョンが正しいことを確認してください。"},
    {IDS_READ_FAILED, "ファイルの読み込みに失敗しました。"},
    {IDS_GAME_RUNNING_AT_START, "『セルヴァリン』、または『セルヴァリン ヴェルタ』を終了してから、起動させてください。"},
    {IDS_INIT_INSTANCE_FAILED, "InitInstanceに失敗しました。"},
    {IDS_DISPLAY_TOO_SMALL, "800×600ピクセル以上、HighColor表示可能なディスプレイが必要です。"},
    {IDS_LOADING, "データを読み込んでいます。しばらくお待ちください。"},
    {IDS_GUIDE_REGISTER, "取り込んだ画像を顔CGとして登録します。\n割り当てる場所を選んでください。"},
    {IDS_BMP_COMPRESSED, "圧縮形式のBMPファイルには対応していません。"},
    {IDS_BMP_UNSUPPORTED_FORMAT, "このBMPファイル形式には対応していません。"},
    {IDS_BMP_BAD_COLOR_COUNT, "色数が正しくありません。"},
    {IDS_JPEG_HEADER_FAILED, "JPEGデータのヘッダ解析に失敗しました。"},
    {IDS_JPEG_DECODE_FAILED, "JPEGデータの復号に失敗しました。"},
    {IDS_OFFICER_NOT_FOUND, "武将が見つかりません。"},
    {IDS_GUIDE_REGISTERED, "取り込んだ画像を顔ＣＧとして登録しました。\n「画像変更」で登録した画像を選択すると、\n武将の顔ＣＧとして使用することができます。"},
    {IDS_RESET_CONFIRM, "顔データを出荷時の状態に戻します。\nこれまでの変更は全て破棄されますが、よろしいですか？"},
    {IDS_CLOSE_UNSAVED, "顔データが変更されています。\n保存せずに終了しますが、よろしいですか？"},
    {IDS_GAME_RUNNING, "『セルヴァリン』、または『セルヴァリン ヴェルタ』を終了してから、実行してください。"},
    {IDS_RESETTING, "初期化しています。しばらくお待ちください。"},
    {IDS_CLOSE_GAME_RUNNING, "『セルヴァリン』、または『セルヴァリン ヴェルタ』が起動中のため、保存できません。\n保存せずに終了してよろしいですか？"},
    {IDS_SAVE_FAILED, "データを正しく保存できませんでした。"},
    {IDS_SAVE_DONE, "データの保存が終了しました。"},
    {IDS_NOT_INSTALLED, "『セルヴァリン』、または『セルヴァリン ヴェルタ』がインストールされていません。"},
    {IDS_FACE_DATA_MISSING, "『セルヴァリン』、または『セルヴァリン ヴェルタ』の顔データが見つかりません。"},
    {IDS_IN_USE_BY_ANOTHER_USER, "このアプリケーションは別のユーザーが使っています"},
    {IDS_PROMPT_IMPORT_PICTURE, "画像を取り込みます"},
    {IDS_PROMPT_CHANGE_FACE, "武将の顔を変更します"},
    {IDS_PROMPT_RESET_ALL, "顔CGデータを初期化します"},
    {IDS_PROMPT_FIND_OFFICER, "検索します"},
    {IDS_APP_TITLE, "S13KaoCgEdit"},
    {IDS_READY, "レディ"},
    {IDS_PROMPT_FILE_SAVE, "作業中のドキュメントを上書きして保存します"},
    {IDS_PROMPT_APP_ABOUT, "プログラム情報、バージョン、著作権を表示します"},
    {IDS_PROMPT_APP_EXIT, "アプリケーションを終了し、ドキュメントの保存を指示します"},
    {IDS_INDICATOR_CAPS, "CAP"},
    {IDS_INDICATOR_NUM, "NUM"},
    {IDS_INDICATOR_SCRL, "SCRL"},
};

constexpr bool IsSorted() {
  for (std::size_t i = 1; i < std::size(kStrings); ++i)
    if (kStrings[i - 1].id >= kStrings[i].id) return false;
  return true;
}
static_assert(IsSorted(), "the string table must stay sorted by id");

}  // namespace

const char* LoadString(int id) {
  auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                             [](const Entry& e, int v) { return e.id < v; });
  return (it != std::end(kStrings) && it->id == id) ? it->text : "";
}

}  // namespace res
