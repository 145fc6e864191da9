#include "ui/ThumbnailList.h"

#include <QPainter>

#include "app/ProgressWindow.h"
#include "app/S13KaoCgEditApp.h"
#include "platform/Path.h"
#include "platform/Services.h"
#include "ui/FaceBitmap.h"

namespace kaocg_ui {

int ShippedSmallCount(bool expansion) {
  const ImageNumberRange& r = kShippedImages[expansion ? 1 : 0][0];
  return r.last - r.first + 1;
}

int ThumbnailIndexOfFace(int face, bool expansion, const std::function<int(int)>& faceToSmallImage) {
  if (face >= 1700 && face <= 2699) return face - 1700;
  const int image = faceToSmallImage(face);
  // A face with no picture gives a negative index, which shows nothing.
  if (image < 0) return -1;
  return kUserThumbnailCount + (image - kShippedImages[expansion ? 1 : 0][0].first);
}

QPixmap CThumbnailList::GetImage(int index) const {
  if (index < 0 || index >= m_images.size()) return QPixmap();
  return m_images[index];
}

void CThumbnailList::Create(int initialCapacity) {
  m_images.clear();
  m_images.reserve(initialCapacity);
  m_capacity = initialCapacity;
  m_created = true;
}

namespace {

// The list keeps the top-left 60 x 60 pixels of what it is given; a smaller
// picture is put on black at the top-left, so every add is one image.
QPixmap Fit(const QPixmap& bitmap) {
  if (bitmap.width() == kThumbnailSize && bitmap.height() == kThumbnailSize) return bitmap;
  if (bitmap.width() >= kThumbnailSize && bitmap.height() >= kThumbnailSize)
    return bitmap.copy(0, 0, kThumbnailSize, kThumbnailSize);
  QPixmap out = MakeThumbnailPlaceholder();
  QPainter p(&out);
  p.drawPixmap(0, 0, bitmap);
  return out;
}

}  // namespace

void CThumbnailList::Add(const QPixmap& bitmap) {
  if (!m_created) return;
  if (m_images.size() >= m_capacity) m_capacity += kThumbnailGrowBy;
  m_images.push_back(Fit(bitmap));
}

bool CThumbnailList::Replace(int index, const QPixmap& bitmap) {
  if (!m_created || index < 0 || index >= m_images.size()) return false;
  m_images[index] = Fit(bitmap);
  return true;
}

void CThumbnailList::Destroy() {
  m_images.clear();
  m_images.squeeze();
  m_capacity = 0;
  m_created = false;
}

CThumbnailList& GetThumbnailList() {
  static CThumbnailList list;
  return list;
}

QPixmap MakeThumbnailPlaceholder() {
  QPixmap p(kThumbnailSize, kThumbnailSize);
  p.fill(Qt::black);
  return p;
}

}  // namespace kaocg_ui

using namespace kaocg_ui;

void BuildThumbnails(CThumbnailList& list, bool expansion, const std::function<void()>& step) {
  const ImageNumberRange& shipped = kShippedImages[expansion ? 1 : 0][0];
  const int S = shipped.last - shipped.first + 1;
  list.Create(S + kUserThumbnailCount);
  // Every read below opens one of the same two archives; their names need
  // not be looked up in their folders each of the 2,700 times.
  platform::RememberingPathResolver paths(*platform::Current().paths);
  platform::Services remembered;
  remembered.paths = &paths;
  const platform::ScopedServices scope(remembered);
  const QPixmap placeholder = MakeThumbnailPlaceholder();
  auto addImage = [&](int imageNumber) {
    QPixmap bitmap;
    if (LoadFaceBitmap(imageNumber, bitmap))
      list.Add(bitmap);
    else
      list.Add(placeholder);
  };
  const int lastUser = kFirstUserSmallImage + kUserThumbnailCount - 1;
  for (int i = kFirstUserSmallImage; i <= lastUser; ++i) {
    addImage(i);
    // Twenty steps over the user slots, one after every 55th picture.
    if ((i - kFirstUserSmallImage + 1) % 55 == 0 && step) step();
  }
  if (step) step();
  const int s = S / 16;
  int steps = 0;
  for (int i = shipped.first; i <= shipped.last; ++i) {
    addImage(i);
    if (steps < 16 && (i - shipped.first + 1) % s == 0) {
      ++steps;
      if (step) step();
    }
  }
  if (step) step();
  list.Add(placeholder);
}

void BuildThumbnails(CThumbnailList& list) {
  CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance();
  BuildThumbnails(list, app && app->IsExpansion(), [app] {
    if (app) StepProgressWindow(*app);
  });
}

void ReplaceThumbnail(CThumbnailList& list, int k) {
  if (k < 0 || k > 999) return;
  QPixmap bitmap;
  if (!LoadFaceBitmap(k + kFirstUserSmallImage, bitmap)) bitmap = MakeThumbnailPlaceholder();
  list.Replace(k, bitmap);
}
