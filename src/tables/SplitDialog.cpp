#include "tables/SplitDialog.h"

namespace qv {

void registerSplitDialog() {}

} // namespace qv
