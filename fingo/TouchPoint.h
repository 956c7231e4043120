#pragma once

#include <cstdint>

// One contact as the device sent it, handed to injection.
struct TouchPoint {
    double x;               // primary-screen pixels
    double y;               // primary-screen pixels
    std::int32_t pointerId; // the device's finger id
    std::int32_t eventTime; // milliseconds on the device's clock
    std::int32_t action;    // TouchPoint::Down, Up or Update
    bool longClick;         // set only for a long click

    enum Action : std::int32_t { Down = 0, Up = 1, Update = 2 };
};
