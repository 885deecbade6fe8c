#pragma once
// Comparing what our codecs decode with what Qt's image readers decode, for
// the cross-decoding tests and the hand-run sweep over a folder.
//
// Where our PNG decoder composites transparency (files without an alpha
// channel kept as a plane, such as 8-bit grey with alpha or a colour key),
// Qt's pixel is composited the way our decoder has libpng do it: onto the
// file's background colour or grey 192, in linear light when the file
// states a gamma (gAMA) that is not 1.

#include <QImage>

#include <string>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/CodecTestSupport.h"

namespace kvximageqt {

using kvxcodectest::Bytes;

// Qt's picture of the bytes (null when Qt cannot read them).
QImage QtDecode(const Bytes& file);

// Empty when our picture of `file` and Qt's agree within tolerance per
// channel, else the first mismatch and the count.
std::string Difference(CKVXImage& ours, const QImage& reference, int tolerance, const Bytes& file);

// libpng's compositing of one 8-bit channel over the background, as our PNG
// decoder asks for it: fileGamma is the file's gAMA (0 when it has none).
int CompositeLikeLibpng(int color, int alpha, int background, double fileGamma);

Bytes ReadWholeFile(const std::string& path);

} // namespace kvximageqt
