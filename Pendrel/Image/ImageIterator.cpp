#include "Pendrel/Image/ImageIterator.h"

#include <cstring>

#include "Pendrel/Image/KVXImage.h"

CImageIterator::CImageIterator(CKVXImage* walked)
    : column(0), row(0), stepX(0), stepY(0), rowPointer(walked ? walked->GetBits(0) : nullptr), image(walked) {}

BYTE* CImageIterator::MoveToRow(long y) {
    if (image && image->IsValid() && y >= 0 && y < static_cast<long>(image->GetHeight())) {
        row = static_cast<int32_t>(y);
        rowPointer = image->GetBits(0) + static_cast<size_t>(y) * image->GetEffWidth();
    }
    return rowPointer;
}

void CImageIterator::MoveToTopRow() {
    if (!image || !image->IsValid()) return;
    column = 0;
    MoveToRow(static_cast<long>(image->GetHeight()) - 1);
}

bool CImageIterator::MoveToRowBelow() {
    if (row <= 0 || !rowPointer) return false;
    MoveToRow(row - 1);
    return true;
}

long CImageIterator::RowLength(long length) const {
    const long rowSize = static_cast<long>(image->GetEffWidth());
    return (length < 0 || length >= rowSize) ? rowSize : length;
}

void CImageIterator::SetRow(const BYTE* buffer, long length) {
    if (!rowPointer || !buffer || length == 0) return;
    std::memcpy(rowPointer, buffer, static_cast<size_t>(RowLength(length)));
}

void CImageIterator::GetRow(BYTE* buffer, long length) {
    if (!rowPointer || !buffer || length == 0) return;
    std::memcpy(buffer, rowPointer, static_cast<size_t>(RowLength(length)));
}
