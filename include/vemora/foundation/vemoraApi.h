#pragma once

// Marks the classes and functions that libvmrkeru exports; everything else stays hidden.
#if defined(_WIN32)
#if defined(VEMORA_BUILDING_LIBRARY)
#define VEMORA_API __declspec(dllexport)
#else
#define VEMORA_API __declspec(dllimport)
#endif
#else
#define VEMORA_API __attribute__((visibility("default")))
#endif
