#pragma once
// The pictures of the tree, the list and the editor, drawn by the program:
// 1 root, 2 grade level, 3 class, 4 boy, 5 girl, 6 boy with a post,
// 7 girl with a post, 8 area, 9 teacher.

#include <QIcon>

namespace records {

// A picture at the given size in pixels (16 for the tree and the small list, 32 large).
QPixmap recordsPicture(int image, int size);
// Both sizes in one icon.
QIcon recordsIcon(int image);

} // namespace records
