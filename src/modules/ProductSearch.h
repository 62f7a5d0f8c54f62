#pragma once

namespace qv {

// Registers "99-Tessup" (our stand-in for the suite's module) in the form registry.
void registerProductSearch();

} // namespace qv
