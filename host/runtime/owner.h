// OwnerId: who registered a hook, command, callback or timer, so that a plug-in's are dropped with it.
#pragma once

#include <cstdint>

namespace host {

using OwnerId = std::uint32_t;
inline constexpr OwnerId HostOwner = 0;  // registrations of the host itself

}  // namespace host
