#include "facedata/OfficerTable.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "facedata/Bushou.h"

namespace {

struct Edition {
  int edition;
  std::size_t rows;
  int maxFace;
  std::set<int> extraSlots;  // slots that receive fixed faces at save
};

const Edition kEditions[] = {
    {0, 1341, 7015, {1500, 1501, 1502, 1503, 1504}},
    {1, 1480, 8059, {1350, 1351, 1352, 1353, 1354, 1355, 1356, 1357, 1358, 1359, 1360}},
};

TEST(OfficerTables, RowsKeepTheirConstraints) {
  for (const Edition& e : kEditions) {
    SCOPED_TRACE(e.edition);
    const kaocg::OfficerTableView t = kaocg::OfficerTableOf(e.edition);
    ASSERT_EQ(t.count, e.rows);
    std::set<int> slots;
    std::map<int, int> faceUse;
    for (std::size_t i = 0; i < t.count; ++i) {
      const kaocg::OfficerRow& r = t.rows[i];
      ASSERT_NE(r.name, nullptr) << i;
      const std::u16string name(r.name);
      EXPECT_GE(name.size(), 1u) << i;
      EXPECT_LE(name.size(), 6u) << i;
      for (char16_t c : name) EXPECT_FALSE(c >= 0xD800 && c <= 0xDFFF) << i;
      EXPECT_GE(r.slot, 0);
      EXPECT_LE(r.slot, 2305);
      EXPECT_TRUE(slots.insert(r.slot).second) << "slot " << r.slot << " twice";
      EXPECT_FALSE(e.extraSlots.count(r.slot)) << r.slot;
      EXPECT_GE(r.defaultFace, 0);
      EXPECT_LE(r.defaultFace, e.maxFace);
      // A shipped picture in every size: never a user face, never no image.
      EXPECT_FALSE(r.defaultFace >= 1700 && r.defaultFace <= 2799) << i;
      for (int size = 0; size < 3; ++size)
        EXPECT_GE(FaceToImageNumber(r.defaultFace, size, e.edition), 3304) << r.defaultFace;
      ++faceUse[r.defaultFace];
    }
    // Mostly one face per officer (the base game has fewer faces with
    // pictures than officers, so some share).
    EXPECT_GT(faceUse.size(), t.count * 9 / 10);
    EXPECT_EQ(t.rows[t.count - 1].slot, 338);
    EXPECT_EQ(t.rows[t.count - 1].defaultFace, 0);
  }
}

TEST(OfficerTables, FixedAndDifferingSlots) {
  const kaocg::OfficerTableView base = kaocg::OfficerTableOf(0);
  const kaocg::OfficerTableView vt = kaocg::OfficerTableOf(1);
  EXPECT_EQ(vt.rows[vt.count - 2].slot, 2274);
  EXPECT_EQ(vt.rows[vt.count - 2].defaultFace, 6026);
  std::map<int, int> baseFace, vtFace;
  for (std::size_t i = 0; i < base.count; ++i) baseFace[base.rows[i].slot] = base.rows[i].defaultFace;
  for (std::size_t i = 0; i < vt.count; ++i) vtFace[vt.rows[i].slot] = vt.rows[i].defaultFace;
  EXPECT_FALSE(baseFace.count(2274));
  for (int slot : {1665, 1670, 1685}) {
    ASSERT_TRUE(baseFace.count(slot) && vtFace.count(slot)) << slot;
    EXPECT_NE(baseFace[slot], vtFace[slot]) << slot;
  }
  EXPECT_EQ(baseFace[1685], 4007);
  // Any other edition value reads the base table.
  EXPECT_EQ(kaocg::OfficerTableOf(-1).rows, base.rows);
  EXPECT_EQ(kaocg::OfficerTableOf(7).rows, base.rows);
}

}  // namespace
