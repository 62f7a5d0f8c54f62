#pragma once

namespace qv {

// Registers "99-Fennoc" (our stand-in for the suite's module) in the form registry.
void registerPayment();

} // namespace qv
