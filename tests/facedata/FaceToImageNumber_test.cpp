#include <gtest/gtest.h>

#include "facedata/Bushou.h"
#include "facedata/Installation.h"

namespace {

struct Case {
  int edition, face;
  int small, medium, large;
};

TEST(FaceToImageNumber, MapsEveryRangeOfBothEditions) {
  const Case cases[] = {
      // user faces, both editions
      {0, 1700, 2203, 1102, 1},
      {1, 1700, 2203, 1102, 1},
      {0, 2799, 3302, 2201, 1100},
      {1, 2799, 3302, 2201, 1100},
      // base game
      {0, 0, 6218, 4761, 3304},
      {0, 1191, 7409, 5952, 4495},
      {0, 4000, 7410, 5953, 4496},
      {0, 4023, 7433, 5976, 4519},  // the same pictures as 5001
      {0, 5001, 7433, 5976, 4519},
      {0, 6026, 7471, 6014, 4557},
      {0, 6090, 7474, 6017, 4560},
      {0, 7015, 7494, 6037, 4580},
      {0, 8179, 7674, 6217, 4760},  // one past the shipped pictures
      // expansion
      {1, 0, 6502, 4903, 3304},
      {1, 1177, 7679, 6080, 4481},
      {1, 1197, 7699, 6100, 4501},
      {1, 1198, 7679, 6080, 4481},  // lowered by 21
      {1, 1218, 7699, 6100, 4501},
      {1, 1337, 7818, 6219, 4620},
      {1, 4000, 7819, 6220, 4621},
      {1, 6035, 7890, 6291, 4692},
      {1, 6095, 7893, 6294, 4695},
      {1, 6105, 7903, 6304, 4705},
      {1, 8179, 8099, 6500, 4901},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "edition " << c.edition << " face " << c.face);
    EXPECT_EQ(FaceToImageNumber(c.face, 0, c.edition), c.small);
    EXPECT_EQ(FaceToImageNumber(c.face, 1, c.edition), c.medium);
    EXPECT_EQ(FaceToImageNumber(c.face, 2, c.edition), c.large);
  }
}

TEST(FaceToImageNumber, FacesOutsideEveryRangeAndBadSizes) {
  const Case none[] = {
      {0, -1, 0, 0, 0},    {0, 1192, 0, 0, 0}, {0, 1699, 0, 0, 0}, {0, 2800, 0, 0, 0},
      {0, 3999, 0, 0, 0},  {0, 4024, 0, 0, 0}, {0, 5000, 0, 0, 0}, {0, 6027, 0, 0, 0},
      {0, 6095, 0, 0, 0},  {0, 7016, 0, 0, 0}, {0, 8180, 0, 0, 0}, {1, 1338, 0, 0, 0},
      {1, 6036, 0, 0, 0},  {1, 6090, 0, 0, 0}, {1, 6106, 0, 0, 0}, {0, 2147483647, 0, 0, 0},
  };
  for (const Case& c : none)
    for (int size = 0; size < 3; ++size)
      EXPECT_EQ(FaceToImageNumber(c.face, size, c.edition), -1)
          << "edition " << c.edition << " face " << c.face << " size " << size;
  for (int size : {-1, 3, 100}) EXPECT_EQ(FaceToImageNumber(1700, size, 0), -1);
}

TEST(FaceToImageNumber, FollowsTheInstalledEdition) {
  kaocg::SetCurrentInstallation({1, "", ""});
  EXPECT_EQ(FaceToImageNumber(1337, 2), 4620);
  kaocg::SetCurrentInstallation({0, "", ""});
  EXPECT_EQ(FaceToImageNumber(1337, 2), -1);
  kaocg::SetCurrentInstallation({-1, "", ""});
  EXPECT_EQ(FaceToImageNumber(0, 0), 6218);
  kaocg::SetCurrentInstallation({});
}

}  // namespace
