#include "modules/DiscountSearch.h"

namespace qv {

void registerDiscountSearch() {}

} // namespace qv
