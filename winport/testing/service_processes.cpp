// Service processes seen from a test: which process runs a service.
#include "scm/scm_store.h"

#include <winport/testing.h>

namespace winport::testing {

std::int64_t ServiceProcessId(const wchar_t* name) {
    detail::scm::Session session;
    if (session.store == nullptr) return 0;
    const auto service = detail::scm::Load(*session.store, detail::scm::Folded(name));
    return service && detail::scm::ProcessAlive(service->pid, service->started) ? service->pid : 0;
}

}  // namespace winport::testing
