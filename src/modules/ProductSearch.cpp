#include "modules/ProductSearch.h"

namespace qv {

void registerProductSearch() {}

} // namespace qv
