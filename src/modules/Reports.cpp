#include "modules/Reports.h"

namespace qv {

void registerReports() {}

} // namespace qv
