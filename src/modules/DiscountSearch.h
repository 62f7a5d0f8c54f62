#pragma once

namespace qv {

// Registers "99-Lissor" (our stand-in for the suite's module) in the form registry.
void registerDiscountSearch();

} // namespace qv
