#pragma once

#include <cstdint>

// Outcomes of firewall operations, in the Windows HRESULT convention: negative
// values are failures, and the codes below are the platform's own, so both
// firewalls report the same numbers for the same trouble.
namespace gatekit {

using Result = std::int32_t;

constexpr Result code(std::uint32_t bits) {
    return static_cast<Result>(bits);
}

constexpr Result kOk = 0;
constexpr Result kFalse = 1;
constexpr Result kNotImplemented = code(0x80004001);
constexpr Result kPointer = code(0x80004003);
constexpr Result kFail = code(0x80004005);
constexpr Result kAccessDenied = code(0x80070005);
constexpr Result kInvalidData = code(0x8007000D);
constexpr Result kInvalidArgument = code(0x80070057);
constexpr Result kDiskFull = code(0x80070070);
constexpr Result kNotFound = code(0x80070490);
// COM was already initialised on this thread in another apartment mode.
constexpr Result kChangedMode = code(0x80010106);

constexpr bool succeeded(Result result) {
    return result >= 0;
}

} // namespace gatekit
