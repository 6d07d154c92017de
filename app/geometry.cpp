#include "app/geometry.h"

Origin CentredOrigin(int areaWidth, int areaHeight, int width, int height) {
    return Origin{areaWidth / 2 - width / 2, areaHeight / 2 - height / 2};
}

ChildLayout LayoutFor(int T, int W, int H) {
    ChildLayout layout;
    layout.workingDirEdit = {10, T + 22, W - 20, 20};
    layout.workingDirGroup = {0, T + 2, W - 3, 48};
    layout.folderDescriptionGroup = {0, T + 52, W - 3, 150};
    layout.folderDescriptionEdit = {10, T + 70, W - 20, 120};
    layout.fileList = {10, T + 230, W - 20, H - 295};
    layout.filesGroup = {0, T + 210, W - 3, H - 265};
    return layout;
}
