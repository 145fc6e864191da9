// The editor's string table: every text the user sees, by resource id.
#pragma once

namespace res {

// Ids of the string table, with the numbers the editor has always used.
enum StringId : int {
  IDS_OLE_INIT_FAILED = 100,
  IDS_READ_FAILED = 400,
  IDS_GAME_RUNNING_AT_START = 401,
  IDS_INIT_INSTANCE_FAILED = 402,
  IDS_DISPLAY_TOO_SMALL = 403,
  IDS_LOADING = 406,
  IDS_GUIDE_REGISTER = 407,
  IDS_BMP_COMPRESSED = 408,
  IDS_BMP_UNSUPPORTED_FORMAT = 409,
  IDS_BMP_BAD_COLOR_COUNT = 410,
  IDS_JPEG_HEADER_FAILED = 411,
  IDS_JPEG_DECODE_FAILED = 412,
  IDS_OFFICER_NOT_FOUND = 413,
  IDS_GUIDE_REGISTERED = 414,
  IDS_RESET_CONFIRM = 416,
  IDS_CLOSE_UNSAVED = 418,
  IDS_GAME_RUNNING = 421,
  IDS_RESETTING = 422,
  IDS_CLOSE_GAME_RUNNING = 423,
  IDS_SAVE_FAILED = 426,
  IDS_SAVE_DONE = 427,
  IDS_NOT_INSTALLED = 428,
  IDS_FACE_DATA_MISSING = 429,
  IDS_APP_TITLE = 57344,
  IDS_READY = 57345,
};

// The UTF-8 text of a string id, or an empty text for an id the table does
// not hold.
const char* LoadString(int id);

}  // namespace res
