#include "Pendrel/Core/WinButtonLayout.h"

int CWinButtonLayout::CheckPointForCentering(int coordinate, int clientExtent, int itemExtent) {
    if (coordinate != -1) return coordinate;
    return (clientExtent - itemExtent) >> 1;
}

void CWinButtonLayout::GetImageTextRect(const RECT& client, bool hasImage, SIZE imageSize, bool hasCaption,
                                        SIZE captionSize, int imageOffset, int textOffset, bool imageOnRight,
                                        RECT& caption, RECT& image) {
    caption = RECT{0, 0, 0, 0};
    image = RECT{0, 0, 0, 0};
    const int clientWidth = client.right - client.left;
    const int clientHeight = client.bottom - client.top;
    if (hasImage) {
        int x = -1;
        if (hasCaption)
            x = imageOnRight ? client.right - imageSize.cx - imageOffset : client.left + imageOffset;
        else
            x = client.left + CheckPointForCentering(-1, clientWidth, imageSize.cx);
        const int y = client.top + CheckPointForCentering(-1, clientHeight, imageSize.cy);
        image = RECT{x, y, x + imageSize.cx, y + imageSize.cy};
    }
    if (hasCaption) {
        int x;
        if (hasImage)
            x = imageOnRight ? image.left - textOffset - captionSize.cx : image.right + textOffset;
        else
            x = client.left + CheckPointForCentering(-1, clientWidth, captionSize.cx);
        const int y = client.top + CheckPointForCentering(-1, clientHeight, captionSize.cy);
        caption = RECT{x, y, x + captionSize.cx, y + captionSize.cy};
    }
}

int CWinButtonLayout::DrawState(bool selected, bool checked, int style, bool hot, bool disabled) {
    if (disabled) return 3;
    if (selected || (checked && style == 1)) return 1;
    if (hot) return 2;
    return 0;
}

int CWinButtonLayout::MultiLineTop(int idealHeight, int captionHeight) {
    const int top = (idealHeight - 2 * captionHeight) / 2 - 1;
    return top >= 1 ? top : -1;
}

int CWinButtonLayout::FocusInset(int width, int height) {
    const int quarter = (width < height ? width : height) / 4;
    return quarter < 4 ? quarter : 3;
}
