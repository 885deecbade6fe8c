#pragma once
// The header band of the program's windows: the application's logo drawn
// across the band above the window's header line, white without a logo.

class QImage;
class QWidget;

// Paints the band of window above its header line (line null: nothing);
// logo may be null.
void QuenzelPaintHeaderBand(QWidget* window, const QWidget* line, const QImage* logo);
