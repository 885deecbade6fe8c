#include "Pendrel/Image/KVXKernelWindow.h"

namespace {

float (*KernelOf(CKVXImage::InterpolationMethod method))(float) {
    switch (method) {
    case CKVXImage::InterpolationBSpline: return CKVXImage::KernelBSpline;
    case CKVXImage::InterpolationCubic: return CKVXImage::KernelCubic;
    case CKVXImage::InterpolationGeneralizedCubic: return [](float x) { return CKVXImage::KernelGeneralizedCubic(x); };
    case CKVXImage::InterpolationBox: return CKVXImage::KernelBox;
    case CKVXImage::InterpolationHermite: return CKVXImage::KernelHermite;
    case CKVXImage::InterpolationHamming: return CKVXImage::KernelHamming;
    case CKVXImage::InterpolationSinc: return CKVXImage::KernelSinc;
    case CKVXImage::InterpolationBlackman: return CKVXImage::KernelBlackman;
    case CKVXImage::InterpolationBessel: return CKVXImage::KernelBessel;
    case CKVXImage::InterpolationGaussian: return CKVXImage::KernelGaussian;
    case CKVXImage::InterpolationQuadratic: return CKVXImage::KernelQuadratic;
    case CKVXImage::InterpolationMitchell: return CKVXImage::KernelMitchell;
    case CKVXImage::InterpolationCatrom: return CKVXImage::KernelCatrom;
    case CKVXImage::InterpolationLanczosSinc: return [](float x) { return CKVXImage::KernelLanczosSinc(x, 6.0f); };
    default: return nullptr;
    }
}

} // namespace

KVXKernelWindow KVXKernelWindowOf(CKVXImage::InterpolationMethod method) {
    float (*kernel)(float) = KernelOf(method);
    if (!kernel) return KVXKernelWindow{nullptr, 0, 1};
    // Lanczos reads a 12 x 12 window, the other kernels 4 x 4.
    if (method == CKVXImage::InterpolationLanczosSinc) return KVXKernelWindow{kernel, 5, 6};
    return KVXKernelWindow{kernel, 1, 2};
}
