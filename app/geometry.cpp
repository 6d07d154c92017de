#include "app/geometry.h"

Origin CentredOrigin(int areaWidth, int areaHeight, int width, int height) {
    return Origin{areaWidth / 2 - width / 2, areaHeight / 2 - height / 2};
}

ChildLayout ChildLayoutFor(int toolbarHeight, int clientWidth, int clientHeight) {
    ChildLayout layout;
    layout.workingDirEdit = {10, toolbarHeight + 22, clientWidth - 20, 20};
    layout.workingDirGroup = {0, toolbarHeight + 2, clientWidth - 3, 48};
    layout.folderDescriptionGroup = {0, toolbarHeight + 52, clientWidth - 3, 150};
    layout.folderDescriptionEdit = {10, toolbarHeight + 70, clientWidth - 20, 120};
    layout.fileList = {10, toolbarHeight + 230, clientWidth - 20, clientHeight - 295};
    layout.filesGroup = {0, toolbarHeight + 210, clientWidth - 3, clientHeight - 265};
    return layout;
}
