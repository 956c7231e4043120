#include "NativeSocket.h"

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

void NativeSocket::close(qintptr descriptor) {
#ifdef Q_OS_WIN
    ::closesocket(SOCKET(descriptor));
#else
    ::close(int(descriptor));
#endif
}

void NativeSocket::shutdown(qintptr descriptor) {
#ifdef Q_OS_WIN
    ::shutdown(SOCKET(descriptor), SD_BOTH);
#else
    ::shutdown(int(descriptor), SHUT_RDWR);
#endif
}
