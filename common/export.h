// The one way this project's extension modules export a symbol. They are
// built with hidden visibility, so every entry point the interpreter (or a
// test through ctypes) looks up is marked here; before Python 3.9
// PyMODINIT_FUNC does not mark the module's init function itself.
// Error convention: nothing here fails (macros only).
#ifndef HALX_COMMON_EXPORT_H
#define HALX_COMMON_EXPORT_H

#if defined(_WIN32)
#define HALX_EXPORT __declspec(dllexport)
#else
#define HALX_EXPORT __attribute__((visibility("default")))
#endif

#endif  // HALX_COMMON_EXPORT_H
