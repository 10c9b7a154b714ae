// The two image lists of the views: node icons, indexed by the kind_code a node reports in its
// description, and the marks the browsers draw in cells and headers. Both are drawn by code on
// first use, so they follow the screen's pixel ratio and need no files. Pixmaps belong to the
// UI thread: only it may ask for them.
#pragma once
#include <QPixmap>
namespace tessel {
inline constexpr int kNodeIconSize = 16;
// The views' image list: the picture of a node's kind_code (0 to 15); a null pixmap for -1 or
// a code without a picture.
const QPixmap& node_icon(int kind_code);
// The marks image list: 11 sorted ascending, 12 sorted descending, 15 the mark of a cell
// whose source position the owner marks, 16 the picture of kind_code -2; null otherwise.
const QPixmap& mark_icon(int index);
}  // namespace tessel
