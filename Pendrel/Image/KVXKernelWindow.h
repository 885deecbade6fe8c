#pragma once
// The kernel of an interpolation method and the neighbourhood it reads: the
// columns xi - before ... xi + after around the cell xi of a position (rows
// likewise). Methods that are not kernels (nearest, bilinear and unknown
// values) have no kernel function and the 2 x 2 neighbourhood.

#include "Pendrel/Image/KVXImage.h"

struct KVXKernelWindow {
    float (*kernel)(float);  // null for the methods that are not kernels
    long before;
    long after;

    long Size() const { return before + after + 1; }
};

KVXKernelWindow KVXKernelWindowOf(CKVXImage::InterpolationMethod method);
