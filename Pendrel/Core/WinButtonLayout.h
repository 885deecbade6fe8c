#pragma once
// Where the owner-drawn button puts its picture and caption, and which
// state it draws, apart from any window.

#include "compat/WinTypes.h"

class CWinButtonLayout {
public:
    // Replaces a coordinate of -1 by the centred one: (client extent -
    // item extent) / 2, halved with an arithmetic shift.
    static int CheckPointForCentering(int coordinate, int clientExtent, int itemExtent);

    // The picture and caption rectangles in the client rectangle. Without a
    // picture or caption its rectangle stays empty (all zero).
    // - The picture: imageOffset from the left edge, or from the right edge
    //   when imageOnRight; centred when there is no caption; centred
    //   vertically.
    // - The caption: textOffset beside the picture (left of it when the
    //   picture is on the right); centred without a picture; centred
    //   vertically.
    static void GetImageTextRect(const RECT& client, bool hasImage, SIZE imageSize, bool hasCaption, SIZE captionSize,
                                 int imageOffset, int textOffset, bool imageOnRight, RECT& caption, RECT& image);

    // The drawing state: 1 pressed (selected, or checked with style 1), else
    // 2 hot, else 0; 3 disabled wins over all.
    static int DrawState(bool selected, bool checked, int style, bool hot, bool disabled);

    // The top of a multi-line caption: (ideal height - 2 x caption height)
    // / 2 - 1, or -1 when that is below 1 (the caption stays centred).
    static int MultiLineTop(int idealHeight, int captionHeight);

    // How far the focus rectangle lies inside the face: a quarter of the
    // smaller side when that is below 4, else 3.
    static int FocusInset(int width, int height);
};
