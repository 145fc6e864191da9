// Stored faces as window-system pictures: the conversion of the editor's
// bitmaps to Qt images, and the face reader that the thumbnails and the
// preview bar share.
#pragma once

#include <QImage>
#include <QPixmap>

#include <functional>

class CDIB;

namespace kaocg_ui {

// The picture of a CDIB of any bit count as an opaque 32-bit image (top row
// first); a null image for an empty or malformed picture.
QImage DibToQImage(const CDIB& dib);

// Reads one stored picture into a CDIB; true on success.
using FaceReader = std::function<bool(int imageNumber, CDIB& dib)>;

// Replaces the reader (the tests use pictures made in code); an empty one
// restores the face archives of the current installation.
void SetFaceReader(FaceReader reader);

}  // namespace kaocg_ui

// Reads the picture of that image number into bitmap (emptied first) at its
// stored size. On failure shows message 400 and returns false.
bool LoadFaceBitmap(int imageNumber, QPixmap& bitmap);
