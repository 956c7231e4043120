#pragma once

// The firewall library's plain C interface. Each call opens the firewall,
// does its work and prints its outcome on standard output; there is no result
// to test. Strings are NUL-terminated wide strings (UTF-16 on Windows, UTF-32
// on Linux); a null pointer counts as an empty string.
#ifdef _WIN32
#ifdef GATEKIT_BUILD
#define GATEKIT_API __declspec(dllexport)
#else
#define GATEKIT_API __declspec(dllimport)
#endif
#else
#define GATEKIT_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Replaces the outbound rule named `name` by one that lets `applicationPath`
// through on `localPorts` with `protocol` (256: any protocol).
GATEKIT_API void setOutRule(const wchar_t* name, const wchar_t* description,
                            const wchar_t* localPorts, long protocol,
                            const wchar_t* applicationPath);
// The same for an inbound rule.
GATEKIT_API void setInRule(const wchar_t* name, const wchar_t* description,
                           const wchar_t* localPorts, long protocol,
                           const wchar_t* applicationPath);
// Removes every rule named `name`.
GATEKIT_API void removeRule(const wchar_t* name);

#ifdef __cplusplus
}
#endif
