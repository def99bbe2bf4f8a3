// The control channel between ControlService and a service's dispatcher. No library logic here.
#include "scm/scm_channel.h"

#include <winport/errors.h>

#include "core/errno_errors.h"
#include "core/store.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace winport::detail::scm {
namespace {

bool Address(const std::string& address, sockaddr_un* out, socklen_t* length) {
    std::memset(out, 0, sizeof(*out));
    out->sun_family = AF_UNIX;
    if (address.empty() || address.size() >= sizeof(out->sun_path)) return false;
    std::memcpy(out->sun_path, address.data(), address.size());
    if (address[0] == '@') out->sun_path[0] = '\0';  // the abstract namespace: no file
    *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size() + (address[0] == '@' ? 0 : 1));
    return true;
}

void SetTimeout(int fd, DWORD ms) {
    timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000 * 1000)};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
}

bool SendWord(int fd, DWORD value) {
    return ::send(fd, &value, sizeof(value), MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof(value));
}

// 1 for a word read, 0 for the other end gone, -1 for a timeout or another failure.
int ReceiveWord(int fd, DWORD* value) {
    ssize_t got;
    do {
        got = ::recv(fd, value, sizeof(*value), MSG_WAITALL);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof(*value))) return 1;
    return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? -1 : 0;
}

}  // namespace

std::string OwnControlAddress() {
    const std::string pid = std::to_string(::getpid());
    const std::string path = StateDirectory() + "/scm-" + pid + ".sock";
    if (path.size() < sizeof(sockaddr_un{}.sun_path)) return path;
    return "@winport-scm-" + pid + "-" + std::to_string(std::hash<std::string>{}(path));
}

int ListenForControls(const std::string& address) {
    sockaddr_un where{};
    socklen_t length = 0;
    if (!Address(address, &where, &length)) {
        SetLastError(ERROR_INVALID_NAME);
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return -1;
    }
    if (address[0] != '@') ::unlink(address.c_str());  // left by an earlier process of this pid
    if (::bind(fd, reinterpret_cast<sockaddr*>(&where), length) != 0 || ::listen(fd, 8) != 0) {
        SetLastError(ErrorFromErrno(errno));
        ::close(fd);
        return -1;
    }
    return fd;
}

void CloseControls(int listener, const std::string& address) {
    if (listener >= 0) ::close(listener);
    if (!address.empty() && address[0] != '@') ::unlink(address.c_str());
}

DWORD SendControl(const std::string& address, DWORD control, DWORD timeout_ms, DWORD* result) {
    sockaddr_un where{};
    socklen_t length = 0;
    if (!Address(address, &where, &length)) return ERROR_SERVICE_NOT_ACTIVE;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return ErrorFromErrno(errno);
    SetTimeout(fd, timeout_ms);
    DWORD error = ERROR_SERVICE_NOT_ACTIVE;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&where), length) == 0 && SendWord(fd, control)) {
        const int got = ReceiveWord(fd, result);
        error = got > 0 ? ERROR_SUCCESS : got < 0 ? ERROR_SERVICE_REQUEST_TIMEOUT : ERROR_SERVICE_NOT_ACTIVE;
    }
    ::close(fd);
    return error;
}

int AcceptControl(int listener, DWORD* control) {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return -1;
    SetTimeout(fd, 1000);
    if (ReceiveWord(fd, control) != 1) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void AnswerControl(int connection, DWORD result) {
    SendWord(connection, result);
    ::close(connection);
}

}  // namespace winport::detail::scm
