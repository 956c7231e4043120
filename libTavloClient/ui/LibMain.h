#pragma once

#if defined(_WIN32)
#define TAVLO_EXPORT extern "C" __declspec(dllexport)
#else
#define TAVLO_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The client's main: a launcher calls it with its own arguments and returns
// its result as the exit code.
TAVLO_EXPORT int libMain(int argc, char** argv);
