#pragma once

#include "InjectionCounter.h"
#include "InputBackends.h"

#include <memory>

// Injection back ends that only count: what the server's decode and
// dispatch cost, without any platform input behind it.
Fingo::InputBackends countingBackends(const std::shared_ptr<InjectionCounter>& counter);
