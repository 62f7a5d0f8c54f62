#include "modules/Payment.h"

namespace qv {

void registerPayment() {}

} // namespace qv
