// The flame's row loops are built for AVX2 as well as plain x86-64, and the
// loader picks the best at start. That choice needs ELF's indirect
// functions; elsewhere (Windows) the loops are built for plain x86-64 only.
#pragma once

#if defined(__ELF__) && defined(__x86_64__)
#define EMBERHALL_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define EMBERHALL_VECTOR_CLONES
#endif
