#include "facedata/Bushou.h"

#include <gtest/gtest.h>

#include <array>
#include <map>

#include "FaceDataFixture.h"
#include "facedata/KaoCGArchive.h"
#include "facedata/OfficerTable.h"

namespace {

using kaocg_test::FaceDataTest;
using kaocg_test::GetLe32;
using kaocg_test::IdArchiveBytes;
using kaocg_test::kBaseHeader;
using kaocg_test::kExpansionHeader;
using kaocg_test::ReadFile;
using kaocg_test::WriteFile;

constexpr std::int32_t kMarked = static_cast<std::int32_t>(0x80000000u);

class RosterTest : public FaceDataTest {
 protected:
  // The officer with this ID slot.
  bushou* BySlot(int slot) {
    for (int i = 0; i < roster.GetCount(); ++i)
      if (roster.GetOfficer(i)->GetSlot() == slot) return roster.GetOfficer(i);
    return nullptr;
  }
  // An ordinary officer (not one of the fixed slots) at position i.
  bushou* Ordinary(int i) { return roster.GetOfficer(i); }

  void WriteArchive(int edition, const std::map<int, std::int32_t>& entries) {
    const bool vt = edition == 1;
    std::vector<std::int32_t> values(vt ? 2600 : 2370, -1);
    for (const auto& [slot, v] : entries) values[static_cast<std::size_t>(slot)] = v;
    WriteFile(vt ? ExpansionFile() : BaseFile(), IdArchiveBytes(vt ? kExpansionHeader : kBaseHeader, values));
  }

  bushou_manager roster;
};

TEST_F(RosterTest, InitGivesEveryOfficerItsDefaultFace) {
  EXPECT_EQ(roster.GetCount(), 0);
  for (const auto& [edition, count] : {std::pair{0, 1341}, std::pair{1, 1480}}) {
    UseEdition(edition);
    ASSERT_TRUE(roster.Init());
    ASSERT_EQ(roster.GetCount(), count);
    const kaocg::OfficerTableView t = kaocg::OfficerTableOf(edition);
    for (int i = 0; i < count; ++i) {
      const bushou* b = roster.GetOfficer(i);
      ASSERT_TRUE(b->IsValid());
      EXPECT_EQ(b->GetIndex(), i);
      EXPECT_EQ(b->GetSlot(), t.rows[i].slot);
      EXPECT_EQ(b->GetName(), std::u16string_view(t.rows[i].name));
      EXPECT_EQ(b->GetFace(), t.rows[i].defaultFace);
      EXPECT_EQ(b->GetSavedFace(), t.rows[i].defaultFace);
    }
    EXPECT_FALSE(roster.IsModified());
    EXPECT_FALSE(roster.DiffersFromDefault());
    EXPECT_EQ(roster.GetOfficer(-1), nullptr);
    EXPECT_EQ(roster.GetOfficer(count), nullptr);
  }
}

TEST_F(RosterTest, AnOfficerOutsideTheTableIsNotValid) {
  UseEdition(0);
  bushou b;
  EXPECT_FALSE(b.IsValid());
  EXPECT_EQ(b.GetSlot(), -1);
  EXPECT_EQ(b.GetDefaultFace(), -1);
  EXPECT_TRUE(b.GetName().empty());
  EXPECT_EQ(b.GetDisplayName()[0], u'\0');
  b.SetIndex(1341);
  EXPECT_FALSE(b.IsValid());
  b.SetIndex(1340);
  EXPECT_TRUE(b.IsValid());
}

TEST_F(RosterTest, DisplayNameCarriesTheChangedMark) {
  UseEdition(1);
  roster.Init();
  bushou* b = Ordinary(3);
  const std::u16string name(b->GetName());
  EXPECT_EQ(std::u16string(b->GetDisplayName()), name);
  b->SetFace(b->GetFace() + 1);
  EXPECT_EQ(std::u16string(b->GetDisplayName()), name + u"(変更)");
  b->SetFace(b->GetSavedFace());
  EXPECT_EQ(std::u16string(b->GetDisplayName()), name);
}

TEST_F(RosterTest, LoadReadsFacesAndTheDefaultMarker) {
  UseEdition(0);
  roster.Init();
  bushou* plain = Ordinary(0);
  bushou* marked = Ordinary(1);
  bushou* markedDefault = Ordinary(2);
  bushou* none = Ordinary(3);
  WriteArchive(0, {{plain->GetSlot(), 1700},
                   {marked->GetSlot(), kMarked | 1701},
                   {markedDefault->GetSlot(), kMarked | markedDefault->GetDefaultFace()},
                   {none->GetSlot(), -1},
                   {338, 1234}});
  ASSERT_TRUE(roster.LoadFaces(user()));
  // Written by a save of ours: unchanged.
  EXPECT_EQ(plain->GetFace(), 1700);
  EXPECT_EQ(plain->GetSavedFace(), 1700);
  // A default entry with another face: changed until saved.
  EXPECT_EQ(marked->GetFace(), 1701);
  EXPECT_EQ(marked->GetSavedFace(), marked->GetDefaultFace());
  EXPECT_EQ(markedDefault->GetFace(), markedDefault->GetSavedFace());
  // No entry: all 31 bits, a face without a picture, changed.
  EXPECT_EQ(none->GetFace(), 2147483647);
  EXPECT_EQ(FaceToImageNumber(none->GetFace(), 0), -1);
  EXPECT_NE(none->GetFace(), none->GetSavedFace());
  // The fixed officer keeps face 0.
  EXPECT_EQ(BySlot(338)->GetFace(), 0);
  EXPECT_TRUE(roster.IsModified());
  EXPECT_TRUE(roster.DiffersFromDefault());
  EXPECT_EQ(std::u16string(marked->GetDisplayName()), std::u16string(marked->GetName()) + u"(変更)");

  ASSERT_TRUE(roster.SaveFaces(user()));
  EXPECT_FALSE(roster.IsModified());
  EXPECT_EQ(std::u16string(marked->GetDisplayName()), std::u16string(marked->GetName()));
  EXPECT_TRUE(roster.DiffersFromDefault());
}

TEST_F(RosterTest, AFailedLoadLeavesEveryOfficerUnchanged) {
  UseEdition(0);
  roster.Init();
  Ordinary(0)->SetFace(1750);
  EXPECT_FALSE(roster.LoadFaces(user()));
  EXPECT_EQ(Ordinary(0)->GetFace(), 1750);
  EXPECT_EQ(Ordinary(1)->GetFace(), Ordinary(1)->GetDefaultFace());
}

TEST_F(RosterTest, SaveWritesFacesFixedSlotsAndExtrasAndNothingElse) {
  struct Case {
    int edition;
    int extraFirst, extraCount, extraFace;
  };
  for (const Case c : {Case{0, 1500, 5, 6090}, Case{1, 1350, 11, 6095}}) {
    SCOPED_TRACE(c.edition);
    UseEdition(c.edition);
    roster.Init();
    WriteArchive(c.edition, {{338, 5}, {2274, 5}});
    ASSERT_TRUE(roster.LoadFaces(user()));
    Ordinary(0)->SetFace(1777);
    ASSERT_TRUE(roster.SaveFaces(user()));
    const std::string bytes = ReadFile(c.edition ? ExpansionFile() : BaseFile());
    const std::size_t records = c.edition ? 2600 : 2370;
    ASSERT_EQ(bytes.size(), 16 + 8 * records);
    std::map<int, int> expected;
    for (int i = 0; i < roster.GetCount(); ++i)
      expected[roster.GetOfficer(i)->GetSlot()] = roster.GetOfficer(i)->GetFace();
    expected[338] = 0;
    if (c.edition == 1) expected[2274] = 6026;
    for (int k = 0; k < c.extraCount; ++k) expected[c.extraFirst + k] = c.extraFace + k;
    for (std::size_t slot = 0; slot < records; ++slot) {
      const auto it = expected.find(static_cast<int>(slot));
      const std::int32_t want = it == expected.end() ? -1 : it->second;
      ASSERT_EQ(static_cast<std::int32_t>(GetLe32(bytes, 20 + 8 * slot)), want) << slot;
    }
    EXPECT_EQ(static_cast<std::int32_t>(GetLe32(bytes, 20 + 8 * static_cast<std::size_t>(Ordinary(0)->GetSlot()))), 1777);
    EXPECT_FALSE(roster.IsModified());
    if (c.edition == 1) {
      EXPECT_EQ(BySlot(2274)->GetFace(), 6026);
    }
  }
}

TEST_F(RosterTest, AFailedSaveKeepsTheSavedFaces) {
  UseEdition(0);
  roster.Init();
  Ordinary(0)->SetFace(1701);
  EXPECT_FALSE(roster.SaveFaces(user() + "missing/"));
  EXPECT_TRUE(roster.IsModified());
  EXPECT_NE(Ordinary(0)->GetSavedFace(), 1701);
}

TEST_F(RosterTest, SmallImageNumberUsesTheFixedFaces) {
  UseEdition(1);
  roster.Init();
  BySlot(338)->SetFace(1700);
  BySlot(2274)->SetFace(1700);
  EXPECT_EQ(BySlot(338)->GetSmallImageNumber(), FaceToImageNumber(0, 0));
  EXPECT_EQ(BySlot(2274)->GetSmallImageNumber(), FaceToImageNumber(6026, 0));
  Ordinary(0)->SetFace(1700);
  EXPECT_EQ(Ordinary(0)->GetSmallImageNumber(), 2203);
}

TEST_F(RosterTest, SaveThenLoadGivesTheSameFaces) {
  UseEdition(1);
  roster.Init();
  for (int i = 0; i < 50; ++i) Ordinary(i)->SetFace(1700 + i);
  ASSERT_TRUE(roster.SaveFaces(user()));
  bushou_manager again;
  again.Init();
  ASSERT_TRUE(again.LoadFaces(user()));
  for (int i = 0; i < roster.GetCount(); ++i) {
    EXPECT_EQ(again.GetOfficer(i)->GetFace(), roster.GetOfficer(i)->GetFace());
    EXPECT_EQ(again.GetOfficer(i)->GetSavedFace(), roster.GetOfficer(i)->GetFace());
  }
  EXPECT_FALSE(again.IsModified());
}

}  // namespace
