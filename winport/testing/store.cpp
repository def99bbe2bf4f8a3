// System state seams: reconnect after WINPORT_ROOT changed, and say where the state lives.
#include "core/store.h"

#include <winport/testing.h>

namespace winport::testing {

void ResetStore() { detail::Store::Reset(); }
std::string StateDirectory() { return detail::StateDirectory(); }

}  // namespace winport::testing
