// Marks the functions the host looks up by name in the module.
#pragma once

#if defined(_WIN32)
#define PRISMORA_EXPORT __declspec(dllexport)
#else
#define PRISMORA_EXPORT __attribute__((visibility("default")))
#endif
