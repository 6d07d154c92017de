// The main window's arithmetic, apart from the window system so it can be checked on its own.
#pragma once

// A window's top-left corner.
struct Origin {
    int x;
    int y;
};

// Top-left corner that centres a window of width x height on an area of areaWidth x areaHeight; each
// halving truncates toward zero, and nothing clamps the result.
Origin CentredOrigin(int areaWidth, int areaHeight, int width, int height);

// Where one child control goes.
struct ChildPlace {
    int x, y, width, height;
};

// The places of the main window's children, in layout order.
struct ChildLayout {
    ChildPlace workingDirEdit, workingDirGroup, folderDescriptionGroup, folderDescriptionEdit, fileList,
        filesGroup;
};

// Where the children go for a toolbar toolbarHeight pixels high and a client area of clientWidth x
// clientHeight: working folder edit, its group box, folder description group box, folder description
// edit, file list, files group box. Values are unclamped and may be negative.
ChildLayout ChildLayoutFor(int toolbarHeight, int clientWidth, int clientHeight);
