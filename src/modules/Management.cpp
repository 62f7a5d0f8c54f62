#include "modules/Management.h"

namespace qv {

void registerManagement() {}

} // namespace qv
