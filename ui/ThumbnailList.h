// The face thumbnail list: every face the editor lists, once, as a 60 x 60
// picture under one index layout. User slots 0 ... 1099 come first, then the
// edition's shipped small pictures, then one black picture.
#pragma once

#include <QPixmap>
#include <QVector>

#include <functional>

namespace kaocg_ui {

struct ImageNumberRange {
  int first;
  int last;
};

// First and last shipped image number of each size, small, medium, large,
// for the base game [0] and the expansion edition [1].
inline constexpr ImageNumberRange kShippedImages[2][3] = {
    {{6218, 7673}, {4761, 6216}, {3304, 4759}},
    {{6502, 8099}, {4903, 6500}, {3304, 4901}},
};

inline constexpr int kThumbnailSize = 60;
inline constexpr int kUserThumbnailCount = 1100;  // image numbers 2203 ... 3302
inline constexpr int kFirstUserSmallImage = 2203;
inline constexpr int kThumbnailGrowBy = 50;

// Number of shipped small pictures of an edition.
int ShippedSmallCount(bool expansion);

// Thumbnail index of a face number; negative when the face maps to no
// picture. faceToSmallImage is the roster's mapping to small image numbers.
int ThumbnailIndexOfFace(int face, bool expansion, const std::function<int(int)>& faceToSmallImage);

class CThumbnailList {
 public:
  bool IsCreated() const { return m_created; }
  int GetImageCount() const { return static_cast<int>(m_images.size()); }
  // The picture at a thumbnail index; a null pixmap for an index outside.
  QPixmap GetImage(int index) const;
  int Capacity() const { return m_capacity; }

  // Image list operations.
  void Create(int initialCapacity);
  void Add(const QPixmap& bitmap);
  bool Replace(int index, const QPixmap& bitmap);
  void Destroy();

 private:
  bool m_created = false;
  int m_capacity = 0;
  QVector<QPixmap> m_images;
};

// The process-wide list, made empty on first use.
CThumbnailList& GetThumbnailList();

// A black 60 x 60 picture, for a face that cannot be read.
QPixmap MakeThumbnailPlaceholder();

}  // namespace kaocg_ui

// Fills the list for the installed edition, stepping the application's
// progress window 38 times.
void BuildThumbnails(kaocg_ui::CThumbnailList& list);
// The same for a given edition, stepping with step.
void BuildThumbnails(kaocg_ui::CThumbnailList& list, bool expansion, const std::function<void()>& step);

// Reloads user slot k (0 ... 999) and replaces its thumbnail.
void ReplaceThumbnail(kaocg_ui::CThumbnailList& list, int k);
