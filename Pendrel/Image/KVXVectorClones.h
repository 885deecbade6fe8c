#pragma once
// Marks a function whose loops the compiler vectorises: on x86-64 it is built
// twice, for the baseline instruction set and for AVX2, and the loader picks
// the one the processor runs. The clones compute the same results (floating
// point is never reordered or fused), only faster.
//
// KVX_VECTOR_CLONES_TEMPLATE marks a function template the same way where the
// compiler can clone templates (GCC); clang cannot yet, and builds one
// baseline version.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define KVX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#define KVX_VECTOR_CLONES_TEMPLATE KVX_VECTOR_CLONES
#elif defined(__x86_64__) && defined(__clang__) && __clang_major__ >= 14
#define KVX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#define KVX_VECTOR_CLONES_TEMPLATE
#else
#define KVX_VECTOR_CLONES
#define KVX_VECTOR_CLONES_TEMPLATE
#endif
