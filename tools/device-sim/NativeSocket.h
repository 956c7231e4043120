#pragma once

#include <QtGlobal>

// The few raw socket calls Qt has no thread-safe form for: connections wait
// as plain descriptors until a worker thread adopts them, and a worker
// blocked on its socket is woken from another thread by shutting it down.
namespace NativeSocket {

void close(qintptr descriptor);
void shutdown(qintptr descriptor);

} // namespace NativeSocket
