#pragma once

namespace qv {

// Registers "15-Pemrick" (our stand-in for the suite's module) in the form registry.
void registerReports();

} // namespace qv
