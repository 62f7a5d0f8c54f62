#pragma once

namespace qv {

// Registers "05-Olvant" (our stand-in for the suite's module) in the form registry.
void registerManagement();

} // namespace qv
