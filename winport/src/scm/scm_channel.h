// The channel that carries controls to a service process: a Unix-domain socket the service's
// dispatcher listens on, one connection per control (the control code out, the handler's
// result back, four bytes each).
#pragma once

#include <winport/types.h>

#include <string>

namespace winport::detail::scm {

// The address this process listens on: a socket file in the state directory, or an abstract
// name ("@...") when that path is too long for a socket address.
std::string OwnControlAddress();
// A listening socket at `address` (close-on-exec), or -1 with the last error set.
int ListenForControls(const std::string& address);
void CloseControls(int listener, const std::string& address);

// Sends `control` and waits up to `timeout_ms` for the answer. Returns 0 with the handler's
// result in *result, ERROR_SERVICE_REQUEST_TIMEOUT when no answer came in time, or
// ERROR_SERVICE_NOT_ACTIVE when nothing listens there any more.
DWORD SendControl(const std::string& address, DWORD control, DWORD timeout_ms, DWORD* result);

// The dispatcher's side: takes the control a waiting connection brings (a caller that sends
// nothing within a second is dropped), and sends the handler's result back, closing it.
int AcceptControl(int listener, DWORD* control);  // the connection, or -1
void AnswerControl(int connection, DWORD result);

}  // namespace winport::detail::scm
