#pragma once

namespace qv {

// Registers the split dialog "99-Divide" in the form registry.
void registerSplitDialog();

} // namespace qv
