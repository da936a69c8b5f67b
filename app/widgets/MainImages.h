#pragma once

#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QString>

// The main window's two image lists, drawn at run time: the tree's node images and the toolbar's button images,
// 16 by 16 pixels each, addressed by key.
namespace MainImages {

// key -> image. The tree's: the root's, then a closed and an open image per kind and media kind; the toolbar's: its
// fourteen buttons'.
QHash<QString, QPixmap> TreeImages();
QHash<QString, QPixmap> ToolbarImages();

// The program icons the desktop shows, size by size pixels on transparency: Vidsora's is the tree root's reel (the
// main window's own icon), Vidpeek's an exchange document carrying that reel. Drawn by the same strokes, scaled, so
// they need no screen.
QImage ProgramIcon(int size);
QImage ViewerIcon(int size);

} // namespace MainImages
